// libFuzzer target: the KDX scene reader on arbitrary bytes. A damaged file
// must end in Frontend::Error or an empty scene with its error text.
#include <cstddef>
#include <cstdint>

#include "frontend/Error.h"
#include "frontend_ext/KDXScene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Halvane::Scene scene;
    try {
        Halvane::decodeKDX(scene, data, size, "fuzz.kdx");
    } catch (const Frontend::Error&) {
    }
    return 0;
}
