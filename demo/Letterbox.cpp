#include "demo/Letterbox.h"

#include <cstdint>

namespace Vantrel {

namespace {

// Scales the picture by outputSide / pictureSide along the other axis, rounded
// to the nearest pixel, in integers so that no size is off by one from float error.
int scaledSide(int side, int outputSide, int pictureSide)
{
    return static_cast<int>((int64_t(side) * outputSide * 2 + pictureSide) / (int64_t(pictureSide) * 2));
}

PixelRect centred(int outputWidth, int outputHeight, int width, int height)
{
    return {(outputWidth - width) / 2, (outputHeight - height) / 2, width, height};
}

bool outputIsWider(int outputWidth, int outputHeight, int pictureWidth, int pictureHeight)
{
    return int64_t(outputWidth) * pictureHeight > int64_t(outputHeight) * pictureWidth;
}

} // namespace

PixelRect fitInside(int outputWidth, int outputHeight, int pictureWidth, int pictureHeight)
{
    if (outputWidth <= 0 || outputHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0)
        return {0, 0, outputWidth > 0 ? outputWidth : 0, outputHeight > 0 ? outputHeight : 0};
    if (outputIsWider(outputWidth, outputHeight, pictureWidth, pictureHeight))
        return centred(outputWidth, outputHeight, scaledSide(pictureWidth, outputHeight, pictureHeight), outputHeight);
    return centred(outputWidth, outputHeight, outputWidth, scaledSide(pictureHeight, outputWidth, pictureWidth));
}

PixelRect coverOutput(int outputWidth, int outputHeight, int pictureWidth, int pictureHeight)
{
    if (outputWidth <= 0 || outputHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0)
        return {0, 0, outputWidth > 0 ? outputWidth : 0, outputHeight > 0 ? outputHeight : 0};
    if (outputIsWider(outputWidth, outputHeight, pictureWidth, pictureHeight))
        return centred(outputWidth, outputHeight, outputWidth, scaledSide(pictureHeight, outputWidth, pictureWidth));
    return centred(outputWidth, outputHeight, scaledSide(pictureWidth, outputHeight, pictureHeight), outputHeight);
}

} // namespace Vantrel
