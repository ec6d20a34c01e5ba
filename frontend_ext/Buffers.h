// Vertex and index buffers.
//
// Interleaved, tightly packed vertex records and index lists, kept either in
// client memory (usage 0) or in a GL buffer object (usage 1..6). Components
// are bound by semantic code and fed through generic vertex attributes at the
// classic Cg alias numbers (position 0, normal 2, colour 3, texture unit n at
// 8 + n, tangent 14, binormal 15), so every shader reads them the same way.
//
//   int counts[] = {3, 2};
//   FrontendExt::VertexBuffer vb(2, counts, 4, kUsageStatic, data, nullptr);
//   vb.bind(0, kSemanticPosition); vb.bind(1, kSemanticTexCoord0);
//   vb.drawArrays(kPrimitiveQuads, 0, -1);
//   vb.unbind(kSemanticPosition); vb.unbind(kSemanticTexCoord0);
#pragma once

namespace FrontendExt {

enum ComponentType { kTypeByte = 0, kTypeShort = 1, kTypeInt = 2, kTypeFloat = 3, kTypeDouble = 4 };
enum IndexType { kIndexUByte = 0, kIndexUShort = 1, kIndexUInt = 2 };
enum PrimitiveType {
    kPrimitivePoints = 0,
    kPrimitiveLines = 1,
    kPrimitiveLineStrip = 2,
    kPrimitiveTriangles = 3,
    kPrimitiveQuads = 4
};
enum BufferUsage { kUsageClient = 0, kUsageDynamic = 1, kUsageStatic = 4 };
enum Semantic {
    kSemanticPosition = 0,
    kSemanticNone = 1,
    kSemanticTexCoord0 = 2, // units 0..7 are 2..9
    kSemanticNormal = 10,
    kSemanticColor = 11,
    kSemanticBinormal = 12,
    kSemanticTangent = 13,
    kSemanticGenericFirst = 17
};

// Size in bytes of one scalar; a bad code throws Frontend::Error.
int componentSize(int componentType);
int indexSize(int indexType);
// Generic attribute number a semantic code is fed through, or -1 for none
// (codes 1 and 14..16). A negative code throws; bind and unbind throw for a
// generic code (17 and above) at or beyond the driver's GL_MAX_VERTEX_ATTRIBS
// rather than alias it onto another attribute.
int attributeForSemantic(int semantic);

class VertexBuffer {
public:
    VertexBuffer(int componentCount, const int* componentCounts, int vertexCount, int usage, const void* source,
                 const int* componentTypes);
    ~VertexBuffer();
    VertexBuffer(const VertexBuffer&) = delete;
    VertexBuffer& operator=(const VertexBuffer&) = delete;

    void* lock(bool read, bool write);
    void unlock();
    void bind(int component, int semantic);
    void unbind(int semantic);
    void drawArrays(int primitive, int first, int count);

    int stride() const { return vertexStride; }
    int vertexCount() const { return vertices; }
    int componentCount() const { return components; }
    int componentOffset(int component) const;
    int componentScalars(int component) const { return counts[component]; }
    int componentType(int component) const { return types[component]; }
    int usage() const { return usageCode; }
    int lockCount() const { return locks; }
    bool isMapped() const { return data != nullptr && usageCode != 0; }

private:
    // Checks the layout and the usage code, then keeps the layout (BufferCodes.cpp).
    void keepLayout(int componentCount, const int* componentCounts, int vertexCount, const int* componentTypes);
    const void* arrayPointer(int offset) const;

    int usageCode;
    unsigned bufferName = 0;
    int totalSize = 0;
    int* counts = nullptr;
    int* types = nullptr;
    int components = 0;
    int vertexStride = 0;
    int vertices = 0;
    unsigned char* data = nullptr;
    int locks = 0;
};

class IndexBuffer {
public:
    IndexBuffer(int indexCount, int usage, const void* source, int indexType);
    ~IndexBuffer();
    IndexBuffer(const IndexBuffer&) = delete;
    IndexBuffer& operator=(const IndexBuffer&) = delete;

    void* lock(bool read, bool write);
    void unlock();
    void drawIndexed(int primitive, int first, int count);

    int indexCount() const { return indices; }
    int indexType() const { return type; }
    int usage() const { return usageCode; }
    int lockCount() const { return locks; }

private:
    int usageCode;
    unsigned char* data = nullptr;
    unsigned bufferName = 0;
    int indices = 0;
    int type = 0;
    int locks = 0;
};

} // namespace FrontendExt
