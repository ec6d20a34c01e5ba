// Vertex and index buffers: code tables, storage in client memory or GL
// buffer objects, nested mapping, and binding of components to the generic
// vertex attributes that every shader reads.
//
// Attribute numbers follow the classic Cg alias table so a shader compiled
// from any Cg source finds the same semantic at the same attribute on every
// driver; the fixed-function array entry points are never used because some
// drivers do not alias them with generic attributes.
#include "frontend_ext/Buffers.h"

// State.h comes before epoxy, whose glStencilOp macro would rename a member.
#include "frontend/Platform.h"
#include "frontend/State.h"
#include "frontend_ext/BufferCodes.h"

#include <epoxy/gl.h>

#include <cstring>

namespace FrontendExt {

namespace {

using BufferCodes::checkedAttribute;
using BufferCodes::checkedIndexBytes;
using BufferCodes::drawCount;
using BufferCodes::glComponentType;
using BufferCodes::glIndexType;
using BufferCodes::glUsageHint;
using BufferCodes::normalizedFor;

GLenum mapAccess(bool read, bool write)
{
    if (read && write)
        return GL_READ_WRITE;
    return read ? GL_READ_ONLY : GL_WRITE_ONLY;
}

// The storage and lock state of either buffer kind. Client storage stays
// addressable for good; a buffer object is mapped by the first lock and
// unmapped by the last unlock.
struct Mapping {
    GLenum target;
    GLuint& name;
    unsigned char*& data;
    int& locks;
};

// A buffer object, or client memory (at least one byte, so that an empty
// buffer still has an address).
void createStorage(Mapping m, int usage, long long bytes, const void* source)
{
    if (usage != kUsageClient) {
        glGenBuffers(1, &m.name);
        glBindBuffer(m.target, m.name);
        glBufferData(m.target, bytes, source, glUsageHint(usage));
    } else {
        m.data = new unsigned char[bytes > 0 ? bytes : 1]();
        if (source)
            std::memcpy(m.data, source, static_cast<size_t>(bytes));
    }
}

void releaseStorage(Mapping m, int usage)
{
    if (usage != kUsageClient) {
        if (Frontend::glContextIsCurrent())
            glDeleteBuffers(1, &m.name);
    } else
        delete[] m.data;
}

void* lockMapping(Mapping m, bool read, bool write, bool empty)
{
    ++m.locks;
    if (m.data)
        return m.data;
    // A buffer object with no storage cannot be mapped; there is nothing to address.
    if ((!read && !write) || empty)
        return nullptr;
    glBindBuffer(m.target, m.name);
    m.data = static_cast<unsigned char*>(glMapBuffer(m.target, mapAccess(read, write)));
    return m.data;
}

void unlockMapping(Mapping m, bool client)
{
    --m.locks;
    if (m.locks > 0 || client)
        return;
    glBindBuffer(m.target, m.name);
    if (m.data)
        glUnmapBuffer(m.target);
    m.data = nullptr;
}

} // namespace

// ---------------------------------------------------------------- VertexBuffer

VertexBuffer::VertexBuffer(int componentCount, const int* componentCounts, int vertexCount, int usage,
                           const void* source, const int* componentTypes)
    : usageCode(usage)
{
    keepLayout(componentCount, componentCounts, vertexCount, componentTypes);
    createStorage({GL_ARRAY_BUFFER, bufferName, data, locks}, usageCode, totalSize, source);
}

VertexBuffer::~VertexBuffer()
{
    releaseStorage({GL_ARRAY_BUFFER, bufferName, data, locks}, usageCode);
    delete[] counts;
    delete[] types;
}

void* VertexBuffer::lock(bool read, bool write)
{
    return lockMapping({GL_ARRAY_BUFFER, bufferName, data, locks}, read, write, totalSize == 0);
}

void VertexBuffer::unlock()
{
    unlockMapping({GL_ARRAY_BUFFER, bufferName, data, locks}, usageCode == kUsageClient);
}

// For a buffer object GL takes the byte offset in place of an address.
const void* VertexBuffer::arrayPointer(int offset) const
{
    if (usageCode != kUsageClient)
        return reinterpret_cast<const void*>(static_cast<size_t>(offset));
    return data + offset;
}

void VertexBuffer::bind(int component, int semantic)
{
    int attribute = checkedAttribute(semantic);
    if (attribute < 0)
        return;
    int offset = componentOffset(component);
    glBindBuffer(GL_ARRAY_BUFFER, usageCode != kUsageClient ? bufferName : 0);
    glEnableVertexAttribArray(static_cast<GLuint>(attribute));
    glVertexAttribPointer(static_cast<GLuint>(attribute), counts[component], glComponentType(types[component]),
                          normalizedFor(semantic, types[component]), vertexStride, arrayPointer(offset));
}

void VertexBuffer::drawArrays(int primitive, int first, int count)
{
    GLenum mode = Frontend::State::glPrimitive(primitive);
    count = drawCount("VertexBuffer::drawArrays", first, count, vertices);
    glDrawArrays(mode, first, count);
}

// ----------------------------------------------------------------- IndexBuffer

IndexBuffer::IndexBuffer(int indexCount, int usage, const void* source, int indexType) : usageCode(usage)
{
    const long long bytes = checkedIndexBytes(indexCount, usage, indexType);
    indices = indexCount;
    type = indexType;
    createStorage({GL_ELEMENT_ARRAY_BUFFER, bufferName, data, locks}, usageCode, bytes, source);
}

IndexBuffer::~IndexBuffer()
{
    releaseStorage({GL_ELEMENT_ARRAY_BUFFER, bufferName, data, locks}, usageCode);
}

void* IndexBuffer::lock(bool read, bool write)
{
    return lockMapping({GL_ELEMENT_ARRAY_BUFFER, bufferName, data, locks}, read, write, indices == 0);
}

void IndexBuffer::unlock()
{
    unlockMapping({GL_ELEMENT_ARRAY_BUFFER, bufferName, data, locks}, usageCode == kUsageClient);
}

void IndexBuffer::drawIndexed(int primitive, int first, int count)
{
    GLenum mode = Frontend::State::glPrimitive(primitive);
    count = drawCount("IndexBuffer::drawIndexed", first, count, indices);
    size_t offset = static_cast<size_t>(first) * indexSize(type);
    const void* pointer =
        usageCode != kUsageClient ? reinterpret_cast<const void*>(offset) : static_cast<const void*>(data + offset);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, usageCode != kUsageClient ? bufferName : 0);
    glDrawElements(mode, count, glIndexType(type), pointer);
}

} // namespace FrontendExt
