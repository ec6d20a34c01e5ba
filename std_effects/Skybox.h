// A cube around the camera, textured with the shared environment texture and
// drawn with the camera's orientation only, without depth, so that
// everything drawn after it lies in front.
//
//   static StdVantrel::Skybox* sky = new StdVantrel::Skybox(demo);  // on the scene's first draw
//   sky->drawSky("scene2.jpg");   // clamped, shared as the environment, caps on, drawn
#pragma once

#include <string_view>

#include "demo/Drawable.h"

namespace StdVantrel {

class Skybox : public Vantrel::Drawable {
public:
    explicit Skybox(Vantrel::Demo* demo);
    void draw() override;

    // How the scenes draw their sky: the picture clamped at its edges and made
    // the shared environment texture, the caps flag set, then the cube drawn.
    void drawSky(std::string_view skyTexture);

    // Paint the two z faces with one texel each (the image's bottom-left and top-left).
    bool caps = false;

private:
    void drawFaces();
};

} // namespace StdVantrel
