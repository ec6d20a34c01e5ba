// libFuzzer target: the QBR mesh reader on arbitrary bytes. A damaged file
// must end in Frontend::Error; anything else (a crash, a sanitizer report,
// another exception, a runaway allocation) is a finding.
#include <cstddef>
#include <cstdint>

#include "frontend/Error.h"
#include "frontend_ext/QBRLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        FrontendExt::decodeQBR(data, size, "fuzz.qbr");
    } catch (const Frontend::Error&) {
    }
    return 0;
}
