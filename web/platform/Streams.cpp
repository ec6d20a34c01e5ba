// Stream buffers and quad indices; see Streams.h.
#include "web/platform/Streams.h"

#include <algorithm>
#include <vector>

namespace Web {

namespace {

// GL_QUADS, which the front end's primitive table gives for quads; the ES header lacks it.
constexpr GLenum kQuads = 0x0007;

struct Stream {
    GLuint name = 0;
    size_t capacity = 0;
};

Stream arrays;
Stream elements;
GLuint quadIndices = 0;
int quadCapacity = 0;

} // namespace

void streamData(GLenum target, const void* data, size_t bytes)
{
    Stream& stream = target == GL_ELEMENT_ARRAY_BUFFER ? elements : arrays;
    if (stream.name == 0)
        glGenBuffers(1, &stream.name);
    glBindBuffer(target, stream.name);
    // Growing reallocates; otherwise the old contents are replaced in place,
    // which spares the browser a new allocation each draw.
    if (bytes > stream.capacity) {
        stream.capacity = bytes + bytes / 2;
        glBufferData(target, static_cast<GLsizeiptr>(stream.capacity), nullptr, GL_STREAM_DRAW);
    }
    if (bytes > 0)
        glBufferSubData(target, 0, static_cast<GLsizeiptr>(bytes), data);
}

void bindQuadIndices(int quads)
{
    if (quadIndices == 0)
        glGenBuffers(1, &quadIndices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quadIndices);
    if (quads <= quadCapacity)
        return;
    // Grown rarely (start-up, then the largest particle set), never per frame.
    quadCapacity = quads < 1024 ? 1024 : quads * 2;
    std::vector<GLuint> indices(static_cast<size_t>(quadCapacity) * 6);
    for (int q = 0; q < quadCapacity; ++q) {
        const GLuint base = static_cast<GLuint>(q) * 4;
        const GLuint corners[6] = {base, base + 1, base + 2, base, base + 2, base + 3};
        std::copy(corners, corners + 6, indices.begin() + static_cast<ptrdiff_t>(q) * 6);
    }
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)), indices.data(),
                 GL_STATIC_DRAW);
}

void drawVertices(GLenum mode, int first, int count)
{
    if (mode != kQuads) {
        glDrawArrays(mode, first, count);
        return;
    }
    // A quad starts at every fourth vertex; a run that starts between
    // quads is a caller's bug that GL would not have drawn sensibly either.
    const int quads = count / 4;
    const int firstQuad = first / 4;
    if (quads == 0 || first % 4 != 0)
        return;
    bindQuadIndices(firstQuad + quads);
    glDrawElements(GL_TRIANGLES, quads * 6, GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(static_cast<size_t>(firstQuad) * 6 * sizeof(GLuint)));
}

} // namespace Web
