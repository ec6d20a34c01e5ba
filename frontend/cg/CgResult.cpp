// The classic Cg attribute numbers; see CgResult.h.
#include "frontend/cg/CgResult.h"

#include <cstdlib>

namespace Frontend {

int cgAttributeLocation(const std::string& semantic)
{
    struct Alias {
        const char* semantic;
        int location;
    };
    static const Alias aliases[] = {{"POSITION0", 0}, {"BLENDWEIGHT0", 1}, {"NORMAL0", 2},       {"COLOR0", 3},
                                    {"DIFFUSE0", 3},  {"COLOR1", 4},       {"SPECULAR0", 4},     {"FOGCOORD0", 5},
                                    {"FOG0", 5},      {"PSIZE0", 6},       {"BLENDINDICES0", 7}, {"TANGENT0", 14},
                                    {"BINORMAL0", 15}};
    for (const Alias& alias : aliases)
        if (semantic == alias.semantic)
            return alias.location;
    if (semantic.rfind("TEXCOORD", 0) == 0) {
        int unit = std::atoi(semantic.c_str() + 8);
        return unit <= 7 ? 8 + unit : -1;
    }
    if (semantic.rfind("ATTR", 0) == 0) {
        int index = std::atoi(semantic.c_str() + 4);
        return index <= 15 ? index : -1;
    }
    return -1;
}

} // namespace Frontend
