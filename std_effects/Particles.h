// A fixed-size set of camera-facing sprites drawn with one call.
//
// The set holds no motion: the scene writes each sprite's position, colour,
// size and texture rectangle every frame, then draws. The setters write
// straight into the mapped vertex buffer (the first one maps it, the draw
// unmaps it), so a frame costs one map, one unmap and one draw. The vertex
// shader "vantrel_particles.cg" turns each corner offset into a quad facing
// the camera; the shared environment texture (slot 0) is the sprite picture.
//
//   if (!dots)                                         // a scene member, made on the first draw
//       dots = std::make_unique<StdVantrel::Particles>(demo, 200);
//   dots->setPosition(i, x, y, z);
//   dots->setSize(i, 3.0f);
//   setEnvironmentTexture("bubble.jpg");
//   dots->draw();
#pragma once

#include <memory>

#include "demo/Drawable.h"

namespace FrontendExt {
class VertexBuffer;
}

namespace StdVantrel {

class Particles : public Vantrel::Drawable {
public:
    // Every sprite starts white, of size 1, at the origin, with the whole texture.
    Particles(Vantrel::Demo* demo, int count);
    ~Particles() override;

    void setPosition(int index, float x, float y, float z);
    void setColor(int index, float r, float g, float b, float a);
    // Half the side of the sprite's quad, in eye-space units.
    void setSize(int index, float size);
    void setTextureRect(int index, float s0, float t0, float s1, float t1);

    // Draws all sprites; blending and depth state are the caller's.
    void draw() override;

    int count() const { return sprites; }
    bool isLocked() const { return mapped != nullptr; }

    // Floats per vertex: position 3, colour 4, texture coordinate 2, corner offset 2.
    static constexpr int kVertexFloats = 11;

private:
    // The first float of sprite `index`'s first vertex, mapping the buffer if needed.
    float* sprite(int index);

    int sprites;
    std::unique_ptr<FrontendExt::VertexBuffer> buffer;
    float* mapped = nullptr;
};

} // namespace StdVantrel
