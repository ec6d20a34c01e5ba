// vantrel-web-check-pictures: the web build's picture decoder under Node.js,
// on pictures this program encodes itself with stb_image_write: PNGs come
// back exactly, bottom row first, grey expanded; JPEG within its loss; and
// every refusal the desktop makes carries the desktop's message. Prints each
// fault; exit status 1 on any.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "frontend/Error.h"
#include "frontend/ImageLoader.h"

namespace {

int faults = 0;

void fault(const std::string& what)
{
    std::printf("%s\n", what.c_str());
    ++faults;
}

void collect(void* context, void* data, int size)
{
    auto* bytes = static_cast<std::vector<unsigned char>*>(context);
    bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
}

// A picture whose every byte differs, top row first as encoders take it.
std::vector<unsigned char> pattern(int width, int height, int channels)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * channels);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i * 7 + i / 3);
    return pixels;
}

std::vector<unsigned char> encode(bool png, int width, int height, int channels, const std::vector<unsigned char>& top)
{
    std::vector<unsigned char> file;
    if (png)
        stbi_write_png_to_func(collect, &file, width, height, channels, top.data(), width * channels);
    else
        stbi_write_jpg_to_func(collect, &file, width, height, channels, top.data(), 100);
    return file;
}

// Largest difference between the decoded picture and the source, or -1 when the layout differs.
int worstDifference(const FrontendExt::ImageLoader& image, int width, int height, int channels,
                    const std::vector<unsigned char>& top)
{
    int out = channels == 2 || channels == 4 ? 4 : 3;
    if (image.width() != width || image.height() != height || image.format() != (out == 4 ? 0 : 1))
        return -1;
    int worst = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < out; ++c) {
                int from = channels <= 2 ? (c == 3 ? 1 : 0) : c;
                int source = top[(static_cast<size_t>(height - 1 - y) * width + x) * channels + from];
                int decoded = image.data()[(static_cast<size_t>(y) * width + x) * out + c];
                worst = std::max(worst, std::abs(source - decoded));
            }
    return worst;
}

void checkDecoding()
{
    for (int channels : {1, 2, 3, 4}) {
        std::vector<unsigned char> top = pattern(13, 7, channels);
        FrontendExt::ImageLoader png(encode(true, 13, 7, channels, top), "p.png");
        if (worstDifference(png, 13, 7, channels, top) != 0)
            fault("a PNG of " + std::to_string(channels) + " channels does not come back exactly");
    }
    // A smooth picture, which a JPEG at quality 100 keeps within a few steps.
    std::vector<unsigned char> smooth(64 * 48 * 3);
    for (size_t i = 0; i < smooth.size(); ++i)
        smooth[i] = static_cast<unsigned char>((i / 3 % 64) * 2 + (i / 192) + (i % 3) * 40);
    FrontendExt::ImageLoader jpeg(encode(false, 64, 48, 3, smooth), "p.jpg");
    int worst = worstDifference(jpeg, 64, 48, 3, smooth);
    if (worst < 0 || worst > 8)
        fault("a JPEG decodes " + std::to_string(worst) + " steps off its source (layout -1)");
}

void expectRefusal(const std::vector<unsigned char>& file, const std::string& expected)
{
    try {
        FrontendExt::ImageLoader image(file, "bad.pic");
        fault("accepted, expected: " + expected);
    } catch (const Frontend::Error& e) {
        if (std::string(e.what()).rfind("cannot decode picture 'bad.pic': " + expected, 0) != 0)
            fault(std::string("got \"") + e.what() + "\", expected: " + expected);
    }
}

void checkRefusals()
{
    std::vector<unsigned char> png = encode(true, 4, 4, 3, pattern(4, 4, 3));
    std::vector<unsigned char> wide = png;
    wide[16] = 0, wide[17] = 0, wide[18] = 0x23, wide[19] = 0x28; // 9000 pixels
    std::vector<unsigned char> tall = png;
    tall[20] = 0, tall[21] = 0, tall[22] = 0x20, tall[23] = 0x00; // 8192 rows from a tiny file
    // A valid header followed by more scans than any picture needs.
    std::vector<unsigned char> scans = encode(false, 4, 4, 3, pattern(4, 4, 3));
    for (int i = 0; i < 1001; ++i)
        scans.insert(scans.end() - 2, {0xFF, 0xDA, 0x00, 0x02});
    expectRefusal({}, "the file is empty");
    expectRefusal({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, "neither a JPEG nor a PNG file");
    expectRefusal(wide, "it declares 9000 x 4 pixels; pictures of 1 to 8192 pixels a side are read");
    expectRefusal(tall, "corrupt PNG (the file is far too small for the picture it declares)");
    expectRefusal(std::vector<unsigned char>(png.begin(), png.begin() + 20), "corrupt PNG (file is truncated)");
    expectRefusal(std::vector<unsigned char>(png.begin(), png.begin() + png.size() / 2), "corrupt PNG (");
    expectRefusal(scans, "progressive JPEG of more than 1000 scans, the limit");
}

} // namespace

int main()
{
    try {
        checkDecoding();
        checkRefusals();
    } catch (const std::exception& e) {
        fault(std::string("unexpected refusal: ") + e.what());
    }
    if (faults == 0)
        std::printf("pictures decode and refuse as on the desktop\n");
    return faults == 0 ? 0 : 1;
}
