// A cube around the camera, textured with the shared environment texture and
// drawn with the camera's orientation only, without depth, so that
// everything drawn after it lies in front.
//
//   static StdVantrel::Skybox* sky = new StdVantrel::Skybox(demo);  // on the scene's first draw
//   setEnvironmentTexture("scene2.jpg");
//   sky->caps = true;
//   sky->draw();
#pragma once

#include "demo/Drawable.h"

namespace StdVantrel {

class Skybox : public Vantrel::Drawable {
public:
    explicit Skybox(Vantrel::Demo* demo);
    void draw() override;

    // Paint the two z faces with one texel each (the image's bottom-left and top-left).
    bool caps = false;

private:
    void drawFaces();
};

} // namespace StdVantrel
