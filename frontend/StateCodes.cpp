// The integer code tables of Frontend::State.
//
// Kept apart from State.cpp on purpose: libepoxy defines glStencilOp as a
// macro, which would rename the State::glStencilOp member in any file that
// includes <epoxy/gl.h>. The plain GL header declares functions only, and the
// constants of GL 1.1 are all these tables need.
#include "frontend/State.h"

#include <GL/gl.h>

#include <string>

#include "frontend/Error.h"

namespace Frontend {

namespace {

[[noreturn]] void unknownCode(const char* table, int code)
{
    throw Error(std::string("unknown ") + table + " code " + std::to_string(code));
}

} // namespace

unsigned State::glBlendFactor(int code)
{
    switch (code) {
    case kZero: return GL_ZERO;
    case kOne: return GL_ONE;
    case kSrcColor: return GL_SRC_COLOR;
    case kOneMinusSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case kDstColor: return GL_DST_COLOR;
    case kOneMinusDstColor: return GL_ONE_MINUS_DST_COLOR;
    case kSrcAlpha: return GL_SRC_ALPHA;
    case kOneMinusSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case kDstAlpha: return GL_DST_ALPHA;
    case kOneMinusDstAlpha: return GL_ONE_MINUS_DST_ALPHA;
    default: unknownCode("blend factor", code);
    }
}

unsigned State::glCompareFunction(int code)
{
    switch (code) {
    case kAlways: return GL_ALWAYS;
    case kLess: return GL_LESS;
    case kLessEqual: return GL_LEQUAL;
    case kEqual: return GL_EQUAL;
    case kGreaterEqual: return GL_GEQUAL;
    case kGreater: return GL_GREATER;
    case kNever: return GL_NEVER;
    default: unknownCode("compare function", code);
    }
}

unsigned State::glStencilOp(int code)
{
    switch (code) {
    case kStencilZero: return GL_ZERO;
    case kStencilKeep: return GL_KEEP;
    case kStencilReplace: return GL_REPLACE;
    case kStencilIncrement: return GL_INCR;
    case kStencilDecrement: return GL_DECR;
    default: unknownCode("stencil operation", code);
    }
}

unsigned State::glStencilOperation(int code)
{
    return glStencilOp(code);
}

unsigned State::glPrimitive(int code)
{
    switch (code) {
    case 0: return GL_POINTS;
    case 1: return GL_LINES;
    case 2: return GL_LINE_STRIP;
    case 3: return GL_TRIANGLES;
    case 4: return GL_QUADS;
    default: unknownCode("primitive type", code);
    }
}

} // namespace Frontend
