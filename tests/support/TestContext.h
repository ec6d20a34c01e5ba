// Test support: one hidden window with its GL context per test program,
// created on first use and kept until the program ends, plus pixel read-back.
#pragma once

#include <string>
#include <vector>

#include "frontend/Context.h"

namespace TestSupport {

Frontend::Context& glContext();

// RGBA bytes of a rectangle of the bound framebuffer, bottom row first.
std::vector<unsigned char> readPixels(int x, int y, int width, int height);

// Path of a fresh temporary directory for one test.
std::string makeTempDir(const char* tag);

} // namespace TestSupport
