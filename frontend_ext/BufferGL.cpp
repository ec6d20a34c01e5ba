// The GL values of the buffer codes, the attribute limit and the unbinding of
// an attribute, alike on desktop GL and WebGL 2 (BufferCodes.h); each
// platform's Buffers.cpp stores, binds and draws.
#include "frontend_ext/Buffers.h"

#include <string>

#include "frontend/Error.h"
#include "frontend/GL.h"
#include "frontend_ext/BufferCodes.h"

namespace FrontendExt::BufferCodes {

namespace {

int maxVertexAttributes()
{
    static const int limit = [] {
        GLint value = 16;
        glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &value);
        return value > 0 ? static_cast<int>(value) : 16;
    }();
    return limit;
}

} // namespace

unsigned glComponentType(int componentType)
{
    switch (componentType) {
    case kTypeByte: return GL_BYTE;
    case kTypeShort: return GL_SHORT;
    case kTypeInt: return GL_INT;
    case kTypeFloat: return GL_FLOAT;
#ifdef GL_DOUBLE
    case kTypeDouble: return GL_DOUBLE;
#else
    case kTypeDouble: throw Frontend::Error("FrontendExt: this GL has no double-precision vertex attributes");
#endif
    }
    badCode("component type", componentType);
}

unsigned glIndexType(int indexType)
{
    switch (indexType) {
    case kIndexUByte: return GL_UNSIGNED_BYTE;
    case kIndexUShort: return GL_UNSIGNED_SHORT;
    case kIndexUInt: return GL_UNSIGNED_INT;
    }
    badCode("index type", indexType);
}

// Usage 0 (client memory) has no hint: asking for one is a bad code.
unsigned glUsageHint(int usage)
{
    switch (usage) {
    case 1:
    case 2: return GL_DYNAMIC_DRAW;
    case 3: return GL_DYNAMIC_COPY;
    case 4: return GL_STATIC_DRAW;
    case 5: return GL_STATIC_READ;
    case 6: return GL_STATIC_COPY;
    }
    badCode("buffer usage", usage);
}

// The attribute a semantic feeds, checked against what the driver offers.
// A generic code beyond the driver's attribute count is rejected rather than
// clamped: clamping would silently alias two semantics.
int checkedAttribute(int semantic)
{
    int attribute = attributeForSemantic(semantic);
    if (attribute >= maxVertexAttributes())
        throw Frontend::Error("FrontendExt: vertex semantic " + std::to_string(semantic) + " needs generic attribute " +
                              std::to_string(attribute) + ", but this driver has only " +
                              std::to_string(maxVertexAttributes()));
    return attribute;
}

// Fixed-function normal and colour arrays scale integer data to [-1, 1] or
// [0, 1]; keep that meaning when they travel through generic attributes.
bool normalizedFor(int semantic, int componentType)
{
    bool integer = componentType == kTypeByte || componentType == kTypeShort || componentType == kTypeInt;
    return (semantic == kSemanticNormal || semantic == kSemanticColor) && integer ;
}

} // namespace FrontendExt::BufferCodes

namespace FrontendExt {

void VertexBuffer::unbind(int semantic)
{
    int attribute = BufferCodes::checkedAttribute(semantic);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (attribute >= 0)
        glDisableVertexAttribArray(static_cast<GLuint>(attribute));
}

} // namespace FrontendExt
