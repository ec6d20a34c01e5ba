// The one drawable mesh type: up to sixteen vertex buffers, bindings of
// (slot, component) to semantics, an optional index buffer and a primitive.
// Typed accessors read and write single attributes of a locked buffer;
// computeTangentSpace derives normals, tangents and binormals.
#pragma once

#include <vector>

#include "frontend_ext/Buffers.h"

namespace FrontendExt {

class Batch {};

class Geometry : public Batch {
public:
    struct Binding {
        int slot;
        int component;
        int semantic;
    };

    // Reads and writes one bound attribute; keeps its buffer locked while alive.
    class Attribute {
    public:
        Attribute(Geometry* geometry, VertexBuffer* buffer, unsigned char* data, int count);
        virtual ~Attribute();
        virtual void get(float* destination, int vertex) const = 0;
        virtual void set(int vertex, float x, float y, float z, float w) = 0;

        VertexBuffer* vertexBuffer() const { return buffer; }
        int scalars() const { return count; }

    protected:
        Geometry* geometry;
        VertexBuffer* buffer;
        unsigned char* data;
        int count;
    };
    template <typename T>
    class TAttribute;

    class Indices {
    public:
        Indices(Geometry* geometry, unsigned char* data);
        virtual ~Indices();
        virtual int get(int position) const = 0;
        virtual void set(int position, int value) = 0;

    protected:
        Geometry* geometry;
        unsigned char* data;
    };
    template <typename T>
    class TIndices;

    Geometry();
    virtual ~Geometry();
    Geometry(const Geometry&) = delete;
    Geometry& operator=(const Geometry&) = delete;

    virtual void draw();

    int addVertexBuffer(VertexBuffer* buffer);
    void addBinding(int slot, int component, int semantic);
    // New accessors the caller deletes, or null (no binding, bad type code,
    // or a buffer object that could not be mapped). Out-of-range vertex or
    // index positions passed to an accessor throw Frontend::Error.
    Attribute* getAttribute(int semantic);
    Indices* getIndices();
    // Smoothed normals, tangents and binormals from positions, texture
    // coordinates and triangles. Targets without a binding get one new static
    // buffer of 3-float components; returns its slot, or 0 when none was added.
    // Never produces NaN: a triangle with collinear texture coordinates adds no
    // tangent, a vertex without a usable normal gets (0, 0, 1), one without a
    // usable tangent gets a unit vector orthogonal to its normal, and triangles
    // with indices outside the vertices are skipped.
    int computeTangentSpace(int texCoordSemantic, int normalSemantic, int tangentSemantic, int binormalSemantic);

    IndexBuffer* indexBuffer = nullptr;
    VertexBuffer* vertexBuffers[16] = {};
    std::vector<Binding> bindings;
    int primitive = kPrimitiveTriangles;
};

} // namespace FrontendExt
