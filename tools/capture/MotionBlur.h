// Motion blur for captures: the mean of several compositions of one output
// frame, taken in linear light on the GPU. Each composition in the back
// buffer is decoded from sRGB (a table of the 256 exact values) and added to
// a 32-bit float target; the mean is encoded to sRGB once, rounded to 8 bits,
// into a picture of its own that is read back once per frame.
//
//   MotionBlur blur(width, height);
//   blur.begin();                      // per output frame
//   for each sub-time: compose; blur.add();
//   reader.start(blur.resolve());      // the framebuffer that holds the mean
//
// The demo's GL state is saved and restored around every pass, and the back
// buffer is left as the last composition made it.
#pragma once

namespace Capture {

class MotionBlur {
public:
    MotionBlur(int width, int height);
    ~MotionBlur();
    MotionBlur(const MotionBlur&) = delete;
    MotionBlur& operator=(const MotionBlur&) = delete;

    void begin() { added = 0; }
    // Adds the picture now in the back buffer.
    void add();
    // Writes the mean of the pictures added since begin(); returns its framebuffer.
    unsigned resolve();

private:
    void drawPass(unsigned program, unsigned target);

    int frameWidth;
    int frameHeight;
    int added = 0;
    unsigned copyTexture = 0, copyFramebuffer = 0; // the composition, as 8-bit sRGB
    unsigned sumTexture = 0, sumFramebuffer = 0;   // running sum, linear light, 32-bit float
    unsigned meanTexture = 0, meanFramebuffer = 0; // the encoded mean, 8-bit sRGB
    unsigned decodeTable = 0;                      // 256 x 1 R32F: sRGB code -> linear
    unsigned addProgram = 0, resolveProgram = 0;
    int resolveScaleLocation = -1;
    unsigned vertexArray = 0;
};

} // namespace Capture
