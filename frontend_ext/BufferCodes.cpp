// The platform-free half of the vertex and index buffers: the code tables,
// the layout and range checks. Buffers.cpp (desktop GL) and
// web/platform/Buffers.cpp (WebGL 2) keep the storage and the drawing.
#include "frontend_ext/Buffers.h"

#include <string>

#include "frontend/Error.h"
#include "frontend_ext/BufferCodes.h"

namespace FrontendExt {

namespace BufferCodes {

[[noreturn]] void badCode(const char* what, int code)
{
    throw Frontend::Error(std::string("FrontendExt: ") + what + " code " + std::to_string(code) +
                          " is not in its table");
}

// Checks a (first, count) range against a length; count -1 means "to the end".
int drawCount(const char* what, int first, int count, int length)
{
    if (count == -1)
        count = length - first;
    if (first < 0 || count < 0 || static_cast<long long>(first) + count > length)
        throw Frontend::Error(std::string("FrontendExt: ") + what + " range first " + std::to_string(first) +
                              " count " + std::to_string(count) + " outside 0.." + std::to_string(length));
    return count;
}

long long checkedStride(int componentCount, const int* componentCounts, int vertexCount, const int* componentTypes)
{
    if (componentCount < 0 || (componentCount > 0 && !componentCounts) || vertexCount < 0)
        throw Frontend::Error("FrontendExt::VertexBuffer: " + std::to_string(componentCount) + " components of " +
                              std::to_string(vertexCount) + " vertices is not a valid layout");
    long long stride = 0;
    for (int i = 0; i < componentCount; ++i) {
        int type = componentTypes ? componentTypes[i] : kTypeFloat;
        if (componentCounts[i] < 1 || componentCounts[i] > 4)
            throw Frontend::Error("FrontendExt::VertexBuffer: component " + std::to_string(i) + " has " +
                                  std::to_string(componentCounts[i]) + " scalars (1 to 4 allowed)");
        stride += static_cast<long long>(componentCounts[i]) * componentSize(type);
    }
    if (stride * vertexCount > 0x7fffffffLL)
        throw Frontend::Error("FrontendExt::VertexBuffer: " + std::to_string(vertexCount) + " vertices of " +
                              std::to_string(stride) + " bytes exceed 2 GiB");
    return stride;
}

long long checkedIndexBytes(int indexCount, int usage, int indexType)
{
    int size = indexSize(indexType);
    if (usage != kUsageClient)
        glUsageHint(usage);
    if (indexCount < 0 || static_cast<long long>(indexCount) * size > 0x7fffffffLL)
        throw Frontend::Error("FrontendExt::IndexBuffer: index count " + std::to_string(indexCount) + " is not valid");
    return static_cast<long long>(indexCount) * size;
}

} // namespace BufferCodes

using BufferCodes::badCode;

int componentSize(int componentType)
{
    switch (componentType) {
    case kTypeByte: return 1;
    case kTypeShort: return 2;
    case kTypeInt: return 4;
    case kTypeFloat: return 4;
    case kTypeDouble: return 8;
    }
    badCode("component type", componentType);
}

int indexSize(int indexType)
{
    switch (indexType) {
    case kIndexUByte: return 1;
    case kIndexUShort: return 2;
    case kIndexUInt: return 4;
    }
    badCode("index type", indexType);
}

int attributeForSemantic(int semantic)
{
    if (semantic < 0)
        badCode("vertex semantic", semantic);
    if (semantic >= kSemanticGenericFirst)
        return semantic;
    if (semantic >= kSemanticTexCoord0 && semantic < kSemanticTexCoord0 + 8)
        return 8 + (semantic - kSemanticTexCoord0);
    switch (semantic) {
    case kSemanticPosition: return 0;
    case kSemanticNormal: return 2;
    case kSemanticColor: return 3;
    case kSemanticTangent: return 14;
    case kSemanticBinormal: return 15;
    }
    return -1; // 1 and 14..16 feed nothing
}

void VertexBuffer::keepLayout(int componentCount, const int* componentCounts, int vertexCount,
                              const int* componentTypes)
{
    const long long stride = BufferCodes::checkedStride(componentCount, componentCounts, vertexCount, componentTypes);
    if (usageCode != kUsageClient)
        BufferCodes::glUsageHint(usageCode);

    components = componentCount;
    counts = new int[componentCount > 0 ? componentCount : 1];
    types = new int[componentCount > 0 ? componentCount : 1];
    for (int i = 0; i < componentCount; ++i) {
        counts[i] = componentCounts[i];
        types[i] = componentTypes ? componentTypes[i] : kTypeFloat;
    }
    vertexStride = static_cast<int>(stride);
    vertices = vertexCount;
    totalSize = vertexStride * vertexCount;
}

int VertexBuffer::componentOffset(int component) const
{
    if (component < 0 || component >= components)
        throw Frontend::Error("FrontendExt::VertexBuffer: component " + std::to_string(component) + " out of range (" +
                              std::to_string(components) + " components)");
    int offset = 0;
    for (int i = 0; i < component; ++i)
        offset += counts[i] * componentSize(types[i]);
    return offset;
}

} // namespace FrontendExt
