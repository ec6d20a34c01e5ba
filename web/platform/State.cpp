// Render state on WebGL 2 (the matrix stacks are the desktop's,
// frontend/StateMatrices.cpp).
//
// WebGL has no fixed-function matrix stacks, so the mirror does nothing:
// every shader gets its matrices as parameters. Capabilities that WebGL
// lacks (alpha test, normalising, smooth lines and points) have no effect,
// as codes outside the table have none on the desktop; no scene uses them.
// begin/vertexAttribute/end collect the vertices with every attribute's
// current value and draw them from a stream buffer at end().
#include "frontend/State.h"

#include <GLES3/gl3.h>

#include <algorithm>
#include <vector>

#include "frontend/StateMirror.h"
#include "web/platform/Streams.h"

namespace Frontend {

void StateMirror::world(const float*)
{
}

void StateMirror::view(const float*)
{
}

void StateMirror::projection(const float*)
{
}

namespace {

constexpr int kAttributes = 16;

// GL's current generic attribute values, which outlive begin/end: a value
// set in one batch is what later draws without that array read.
float current[kAttributes][4] = {};
bool currentReady = false;
unsigned setInBatch = 0; // attributes given since begin()
GLenum batchMode = 0;
// Vertices of the open batch: all kAttributes values each, so that one
// stride serves every combination a caller sets.
std::vector<float> batch;
std::vector<float> packed; // what end() streams: the batch's own attributes only

int attributeOf(int semantic)
{
    if (semantic == 0)
        return 0;
    if (semantic >= 2 && semantic <= 9)
        return 8 + semantic - 2;
    if (semantic == 10)
        return 2;
    if (semantic == 11)
        return 3;
    if (semantic >= 100 && semantic <= 115)
        return semantic - 100;
    return -1;
}

} // namespace

void State::setMultisample(bool)
{
    // A WebGL canvas is antialiased or not for its whole life.
}

void State::resetState()
{
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_CULL_FACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glStencilFunc(GL_LESS, 0, ~0u);
    ::glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glLineWidth(1.0f);
    glCullFace(GL_BACK);
}

void State::begin(int primitiveType)
{
    if (!currentReady) {
        for (auto& value : current)
            value[3] = 1.0f; // GL's initial current value is (0, 0, 0, 1)
        currentReady = true;
    }
    batchMode = glPrimitive(primitiveType);
    setInBatch = 1; // the position always comes from the batch
    batch.clear();
}

void State::vertexAttribute(int semantic, float x, float y, float z, float w)
{
    const int attribute = attributeOf(semantic);
    if (attribute < 0)
        return;
    // A normal has three components; GL completes it with w = 1.
    const float values[4] = {x, y, z, semantic == 10 ? 1.0f : w};
    std::copy(values, values + 4, current[attribute]);
    setInBatch |= 1u << attribute;
    if (attribute == 0) // the position completes a vertex
        batch.insert(batch.end(), &current[0][0], &current[0][0] + kAttributes * 4);
}

void State::end()
{
    const int vertices = static_cast<int>(batch.size() / (kAttributes * 4));
    if (vertices > 0) {
        // Only the attributes given in the batch travel, packed: WebGL
        // refuses strides over 255 bytes, so at most 15 of them.
        int used[kAttributes];
        int count = 0;
        for (int a = 0; a < kAttributes && count < 15; ++a)
            if (setInBatch & (1u << a))
                used[count++] = a;
        packed.clear();
        for (int v = 0; v < vertices; ++v)
            for (int i = 0; i < count; ++i) {
                const float* value = &batch[(static_cast<size_t>(v) * kAttributes + used[i]) * 4];
                packed.insert(packed.end(), value, value + 4);
            }
        const GLsizei stride = count * 4 * static_cast<GLsizei>(sizeof(float));
        Web::streamData(GL_ARRAY_BUFFER, packed.data(), packed.size() * sizeof(float));
        for (int i = 0; i < count; ++i) {
            glEnableVertexAttribArray(static_cast<GLuint>(used[i]));
            glVertexAttribPointer(static_cast<GLuint>(used[i]), 4, GL_FLOAT, GL_FALSE, stride,
                                  reinterpret_cast<const void*>(static_cast<size_t>(i) * 4 * sizeof(float)));
        }
        Web::drawVertices(batchMode, 0, vertices);
        for (int i = 0; i < count; ++i) {
            glDisableVertexAttribArray(static_cast<GLuint>(used[i]));
            glVertexAttrib4fv(static_cast<GLuint>(used[i]), current[used[i]]);
        }
        glBindBuffer(GL_ARRAY_BUFFER, 0);
    }
    batch.clear();
    setInBatch = 0;
}

} // namespace Frontend
