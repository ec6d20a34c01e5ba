// Checks that the desktop and web buffer implementations share
// (BufferCodes.cpp); each throws Frontend::Error with the message the
// desktop has always given.
#pragma once

namespace FrontendExt::BufferCodes {

[[noreturn]] void badCode(const char* what, int code);
// A (first, count) range checked against a length; count -1 means "to the end". Returns the count.
int drawCount(const char* what, int first, int count, int length);
// The bytes of one vertex record of this layout, checked (1 to 4 scalars a
// component, known types, under 2 GiB in all).
long long checkedStride(int componentCount, const int* componentCounts, int vertexCount, const int* componentTypes);
// The bytes of an index list, checked (a known type and usage, under 2 GiB in all).
long long checkedIndexBytes(int indexCount, int usage, int indexType);

// GL values of the codes (BufferGL.cpp); a code outside its table throws.
unsigned glComponentType(int componentType);
unsigned glIndexType(int indexType);
unsigned glUsageHint(int usage);
// The attribute a semantic feeds, checked against what the driver offers:
// a generic code beyond its attribute count is refused, never aliased.
int checkedAttribute(int semantic);
// Integer normals and colours keep their fixed-function meaning, scaled to [-1, 1] or [0, 1].
bool normalizedFor(int semantic, int componentType);

} // namespace FrontendExt::BufferCodes
