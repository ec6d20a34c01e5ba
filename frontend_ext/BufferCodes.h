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

} // namespace FrontendExt::BufferCodes
