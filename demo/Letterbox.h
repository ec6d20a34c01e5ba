// Where the production's picture goes on an output of any size.
//
//   PixelRect r = Vantrel::fitInside(1920, 1080, 800, 600);   // {240, 0, 1440, 1080}
//   PixelRect c = Vantrel::coverOutput(1920, 1080, 800, 600); // {0, -180, 1920, 1440}
//
// fitInside gives the largest rectangle of the picture's aspect centred in the
// output (black bars fill the rest); coverOutput the smallest one that covers
// the whole output (the overhang is cropped). Rectangles are in the output's
// pixels with the origin at the lower left, as glViewport takes them. When the
// output has the picture's aspect both give the whole output.
#pragma once

namespace Vantrel {

struct PixelRect {
    int x;
    int y;
    int width;
    int height;
};

PixelRect fitInside(int outputWidth, int outputHeight, int pictureWidth, int pictureHeight);
PixelRect coverOutput(int outputWidth, int outputHeight, int pictureWidth, int pictureHeight);

} // namespace Vantrel

namespace Vantrel {

// How the picture meets an output of another aspect: bars keep all of it,
// crop fills the output and loses the overhang.
enum class Fit { Bars, Crop };

inline PixelRect placePicture(Fit fit, int outputWidth, int outputHeight, int pictureWidth, int pictureHeight)
{
    return fit == Fit::Crop ? coverOutput(outputWidth, outputHeight, pictureWidth, pictureHeight)
                            : fitInside(outputWidth, outputHeight, pictureWidth, pictureHeight);
}

} // namespace Vantrel
