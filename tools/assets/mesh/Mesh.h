// The modelling toolkit of the content generator: an indexed triangle mesh
// with one set of texture coordinates (exactly what a QBR mesh record holds),
// primitive builders (boxes, spheres, lathes, swept tubes, extruded strokes
// and outlines, height fields) and transforms that keep the winding
// counter-clockwise seen from outside. That is the toolkit's own convention;
// toQBR reverses it on the way out, as the loader wants clockwise triangles.
//
// Hard edges are made by giving each flat face its own vertices: the loader
// smooths normals over shared vertices only.
#pragma once

#include <functional>
#include <vector>

#include "frontend_ext/QBRLoader.h"

namespace Assets {

struct V3 {
    float x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b);
V3 operator-(V3 a, V3 b);
V3 operator*(V3 a, float s);
float dot(V3 a, V3 b);
V3 cross(V3 a, V3 b);
float length(V3 a);
V3 normalized(V3 a);

struct V2 {
    float x = 0, y = 0;
};

struct Vertex {
    V3 p;
    float u = 0, v = 0;
};

class Mesh {
public:
    int addVertex(V3 p, float u, float v);
    void addTriangle(int a, int b, int c);
    // Two triangles a-b-c and a-c-d.
    void addQuad(int a, int b, int c, int d);
    void append(const Mesh& other);

    // Moves every vertex through f; the caller keeps the winding sensible.
    void deform(const std::function<V3(V3)>& f);
    void translate(V3 offset);
    // A negative determinant flips the triangles so that they stay outward-facing.
    void scale(V3 factors);
    void rotateX(float radians);
    void rotateY(float radians);
    void rotateZ(float radians);
    void flipWinding();
    void scaleUV(float su, float sv);
    void offsetUV(float du, float dv);

    void bounds(V3& low, V3& high) const;
    // Positive for a closed mesh wound counter-clockwise seen from outside.
    float signedVolume() const;

    // The file record, triangles reversed into the loader's clockwise-outside
    // convention so that its computed normals point out of the solid.
    FrontendExt::QBRMesh toQBR(const char* name) const;

    std::vector<Vertex> vertices;
    std::vector<int> indices;
};

// Axis-aligned box centred on the origin; each face its own four vertices,
// texture coordinates 0..1 over every face.
Mesh box(V3 size);

// Sphere around the origin; u runs round the y axis, v from bottom to top.
Mesh sphere(float radius, int slices, int stacks);

// Surface of revolution about the y axis. profile: (radius, height) from the
// bottom to the top; an end with radius 0 closes the surface there.
// u runs round, v along the profile (by arc length).
Mesh lathe(const std::vector<V2>& profile, int segments);

// A tube swept along a path: at each path point an elliptic cross-section with
// half-widths (sideRadius, upRadius) in the plane across the path, `up` giving the
// cross-section's orientation. The ends are closed with flat caps.
struct SweepPoint {
    V3 position;
    float sideRadius;
    float upRadius;
};
Mesh sweep(const std::vector<SweepPoint>& path, V3 up, int sides);

// A flat stroke of the given width along a 2D polyline in the xy plane, extruded
// from z = -depth/2 to depth/2 with square ends (closed: the path loops).
// Walls break into separate faces where the path turns by more than 40 degrees.
Mesh stroke(const std::vector<V2>& path, float width, float depth, bool closed);

// A simple polygon (counter-clockwise, no holes) in the xy plane, extruded like stroke.
Mesh extrude(const std::vector<V2>& outline, float depth);

// Triangulates a simple counter-clockwise polygon by ear clipping; returns index triples.
std::vector<int> triangulate(const std::vector<V2>& outline);

// A grid of (columns + 1) x (rows + 1) vertices over x, y in [-half, half],
// height z = height(x, y); texture coordinates repeat `tiles` times over the grid.
Mesh heightField(float half, int columns, int rows, float tiles, const std::function<float(float, float)>& height);

// Points along an arc in the xy plane from angle a0 to a1 (radians), `count` points.
std::vector<V2> arc(V2 centre, float rx, float ry, float a0, float a1, int count);

} // namespace Assets
