// Vertex and index buffers on WebGL 2 (the code tables and checks are the
// desktop's, frontend_ext/BufferCodes.cpp).
//
// WebGL can neither map a buffer object nor draw from client memory. So every
// buffer keeps its bytes in the program's memory: a buffer object's copy is
// what lock() hands out, written back to the object by the last unlock()
// after a lock that could write; client-memory buffers (usage 0) are copied
// into a buffer object of their own at each bind, and their indices into the
// stream buffer at each draw. Quads are drawn as triangles.
#include "frontend_ext/Buffers.h"

#include "frontend/Platform.h"
#include "frontend/State.h"
#include "frontend_ext/BufferCodes.h"

#include <GLES3/gl3.h>

#include <cstring>
#include <unordered_map>
#include <vector>

#include "web/platform/Streams.h"

namespace FrontendExt {

namespace {

using BufferCodes::checkedAttribute;
using BufferCodes::checkedIndexBytes;
using BufferCodes::drawCount;
using BufferCodes::glComponentType;
using BufferCodes::glIndexType;
using BufferCodes::glUsageHint;
using BufferCodes::normalizedFor;

constexpr GLenum kQuads = 0x0007; // GL_QUADS in the front end's primitive table

// The program-memory copies of buffer objects, by GL name, while they are locked.
std::unordered_map<GLuint, std::vector<unsigned char>>& copies()
{
    static std::unordered_map<GLuint, std::vector<unsigned char>> table;
    return table;
}
// Names locked with write access since their first lock.
std::unordered_map<GLuint, bool>& written()
{
    static std::unordered_map<GLuint, bool> table;
    return table;
}

struct Storage {
    GLenum target;
    int usage;
    GLuint& name;
    unsigned char*& data;
    int& locks;
    size_t bytes;
};

void createStorage(Storage s, const void* source)
{
    if (s.usage == kUsageClient) {
        s.data = new unsigned char[s.bytes > 0 ? s.bytes : 1]();
        if (source)
            std::memcpy(s.data, source, s.bytes);
        return;
    }
    glGenBuffers(1, &s.name);
    glBindBuffer(s.target, s.name);
    glBufferData(s.target, static_cast<GLsizeiptr>(s.bytes), source, glUsageHint(s.usage));
    // The copy outlives the locks: WebGL cannot read a buffer object back.
    std::vector<unsigned char>& copy = copies()[s.name];
    copy.assign(s.bytes, 0);
    if (source)
        std::memcpy(copy.data(), source, s.bytes);
}

void releaseStorage(Storage s)
{
    if (s.usage == kUsageClient) {
        delete[] s.data;
        if (s.name != 0 && Frontend::glContextIsCurrent())
            glDeleteBuffers(1, &s.name);
        return;
    }
    copies().erase(s.name);
    written().erase(s.name);
    if (Frontend::glContextIsCurrent())
        glDeleteBuffers(1, &s.name);
}

void* lockStorage(Storage s, bool read, bool write)
{
    ++s.locks;
    if (s.usage == kUsageClient)
        return s.data;
    if ((!read && !write) || s.bytes == 0)
        return s.data;
    if (write)
        written()[s.name] = true;
    s.data = copies()[s.name].data();
    return s.data;
}

void unlockStorage(Storage s)
{
    --s.locks;
    if (s.locks > 0 || s.usage == kUsageClient)
        return;
    auto w = written().find(s.name);
    if (w != written().end() && w->second && s.data) {
        glBindBuffer(s.target, s.name);
        glBufferSubData(s.target, 0, static_cast<GLsizeiptr>(s.bytes), s.data);
        w->second = false;
    }
    s.data = nullptr;
}

} // namespace

// ---------------------------------------------------------------- VertexBuffer

VertexBuffer::VertexBuffer(int componentCount, const int* componentCounts, int vertexCount, int usage,
                           const void* source, const int* componentTypes)
    : usageCode(usage)
{
    keepLayout(componentCount, componentCounts, vertexCount, componentTypes);
    createStorage({GL_ARRAY_BUFFER, usageCode, bufferName, data, locks, static_cast<size_t>(totalSize)}, source);
}

VertexBuffer::~VertexBuffer()
{
    releaseStorage({GL_ARRAY_BUFFER, usageCode, bufferName, data, locks, static_cast<size_t>(totalSize)});
    delete[] counts;
    delete[] types;
}

void* VertexBuffer::lock(bool read, bool write)
{
    return lockStorage({GL_ARRAY_BUFFER, usageCode, bufferName, data, locks, static_cast<size_t>(totalSize)}, read,
                       write);
}

void VertexBuffer::unlock()
{
    unlockStorage({GL_ARRAY_BUFFER, usageCode, bufferName, data, locks, static_cast<size_t>(totalSize)});
}

const void* VertexBuffer::arrayPointer(int offset) const
{
    return reinterpret_cast<const void*>(static_cast<size_t>(offset));
}

void VertexBuffer::bind(int component, int semantic)
{
    int attribute = checkedAttribute(semantic);
    if (attribute < 0)
        return;
    int offset = componentOffset(component);
    if (usageCode == kUsageClient) {
        // The caller may have written through its pointer since the last draw.
        if (bufferName == 0)
            glGenBuffers(1, &bufferName);
        glBindBuffer(GL_ARRAY_BUFFER, bufferName);
        glBufferData(GL_ARRAY_BUFFER, totalSize, data, GL_STREAM_DRAW);
    } else {
        glBindBuffer(GL_ARRAY_BUFFER, bufferName);
    }
    glEnableVertexAttribArray(static_cast<GLuint>(attribute));
    glVertexAttribPointer(static_cast<GLuint>(attribute), counts[component], glComponentType(types[component]),
                          normalizedFor(semantic, types[component]), vertexStride, arrayPointer(offset));
}

void VertexBuffer::drawArrays(int primitive, int first, int count)
{
    GLenum mode = Frontend::State::glPrimitive(primitive);
    count = drawCount("VertexBuffer::drawArrays", first, count, vertices);
    Web::drawVertices(mode, first, count);
}

// ----------------------------------------------------------------- IndexBuffer

IndexBuffer::IndexBuffer(int indexCount, int usage, const void* source, int indexType) : usageCode(usage)
{
    const long long bytes = checkedIndexBytes(indexCount, usage, indexType);
    indices = indexCount;
    type = indexType;
    createStorage({GL_ELEMENT_ARRAY_BUFFER, usageCode, bufferName, data, locks, static_cast<size_t>(bytes)}, source);
}

IndexBuffer::~IndexBuffer()
{
    releaseStorage({GL_ELEMENT_ARRAY_BUFFER, usageCode, bufferName, data, locks,
                    static_cast<size_t>(indices) * static_cast<size_t>(indexSize(type))});
}

void* IndexBuffer::lock(bool read, bool write)
{
    return lockStorage({GL_ELEMENT_ARRAY_BUFFER, usageCode, bufferName, data, locks,
                        static_cast<size_t>(indices) * static_cast<size_t>(indexSize(type))},
                       read, write);
}

void IndexBuffer::unlock()
{
    unlockStorage({GL_ELEMENT_ARRAY_BUFFER, usageCode, bufferName, data, locks,
                   static_cast<size_t>(indices) * static_cast<size_t>(indexSize(type))});
}

void IndexBuffer::drawIndexed(int primitive, int first, int count)
{
    GLenum mode = Frontend::State::glPrimitive(primitive);
    count = drawCount("IndexBuffer::drawIndexed", first, count, indices);
    const int size = indexSize(type);
    const unsigned char* bytes = usageCode == kUsageClient ? data : copies()[bufferName].data();
    if (mode == kQuads) {
        // Two triangles a quad, from the program's copy of the indices.
        static std::vector<GLuint> triangles; // grows to the largest set, then stays
        triangles.clear();
        for (int q = 0; q + 4 <= count; q += 4) {
            GLuint corner[4];
            for (int k = 0; k < 4; ++k) {
                const unsigned char* at = bytes + static_cast<size_t>(first + q + k) * size;
                corner[k] = size == 1 ? *at : size == 2 ? *reinterpret_cast<const unsigned short*>(at)
                                                        : *reinterpret_cast<const GLuint*>(at);
            }
            for (int k : {0, 1, 2, 0, 2, 3})
                triangles.push_back(corner[k]);
        }
        Web::streamData(GL_ELEMENT_ARRAY_BUFFER, triangles.data(), triangles.size() * sizeof(GLuint));
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(triangles.size()), GL_UNSIGNED_INT, nullptr);
        return;
    }
    if (usageCode == kUsageClient) {
        Web::streamData(GL_ELEMENT_ARRAY_BUFFER, bytes + static_cast<size_t>(first) * size,
                        static_cast<size_t>(count) * size);
        glDrawElements(mode, count, glIndexType(type), nullptr);
        return;
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, bufferName);
    glDrawElements(mode, count, glIndexType(type),
                   reinterpret_cast<const void*>(static_cast<size_t>(first) * static_cast<size_t>(size)));
}

} // namespace FrontendExt
