// Replacing a catalogued shader or picture with what is on disk now, in
// place: whoever holds the shader or texture draws with the new one from the
// next draw on. A file that no longer compiles or decodes leaves the old one
// in use and says why; nothing here ends the process.
//
//   ReloadResult result = reloadFile(demo, "vantrel_data/", "glow.cg");
//   if (!result.ok) show(result.message, result.listing);
#pragma once

#include <string>

namespace Vantrel {

class Demo;

enum class ReloadKind { None, Shader, Picture };

// Shaders reload from every watched folder, pictures only from data/ (where
// the catalogue reads them); everything else is left alone.
ReloadKind reloadKindOf(const std::string& folder, const std::string& name);

struct ReloadResult {
    bool ok = false;
    std::string message; // one line: what was reloaded, or what went wrong with which file
    std::string listing; // the compiler listing of a shader that does not compile
};

ReloadResult reloadFile(Demo& demo, const std::string& folder, const std::string& name);

} // namespace Vantrel
