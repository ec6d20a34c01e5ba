// Default values of shader parameters.
//
// Cg gives a file-scope parameter the value of its initialiser
// ("float alpha = 1.0;", "float4 color = float4(1, 1, 1, 1);") until the
// program sets another. The HLSL toolchain drops such initialisers, so the
// shader reads them from the source (and from the files it includes) and sets
// them once after linking.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Frontend {

struct CgDefault {
    std::string name;
    int count = 0; // 1 to 4 components
    float value[4] = {0, 0, 0, 0};
};

// Initialised float/half/fixed declarations at file scope (outside every
// brace), skipping constants and statics. A plain scan: any text is read in
// time linear in its length.
std::vector<CgDefault> findParameterDefaults(std::string_view source);

// A user-tunable value declared by
// `#pragma parameter NAME "Label" default minimum maximum step`.
struct CgPragmaParameter {
    std::string name;
    std::string label;
    float initial = 0, minimum = 0, maximum = 0, step = 0;
};

std::vector<CgPragmaParameter> findPragmaParameters(std::string_view source);

} // namespace Frontend
