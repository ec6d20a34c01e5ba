// libFuzzer target: the PNG and JPEG decoders behind ImageLoader, which picks
// one by the file's signature. A damaged or oversized picture must end in
// Frontend::Error; a decoded one must hold exactly its declared pixels.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "frontend/Error.h"
#include "frontend/ImageLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        FrontendExt::ImageLoader image(std::vector<unsigned char>(data, data + size), "fuzz.picture");
        const int channels = image.format() == 0 ? 4 : 3;
        // Touch the last byte: the sanitizer reports a buffer shorter than declared.
        volatile unsigned char last = image.data()[static_cast<size_t>(image.width()) * image.height() * channels - 1];
        (void)last;
    } catch (const Frontend::Error&) {
    }
    return 0;
}
