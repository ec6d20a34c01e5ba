// QBR meshes: a little-endian sequence of records, each mesh with positions
// and one set of texture coordinates; normals, tangents and binormals are
// computed at load time. Malformed files throw Frontend::Error naming the
// file and what is wrong.
//
// Layout: int32 M, then M times { int32 V, int32 T, int32 L (0..256), L name bytes,
//         V x (float x, y, z, u, v), 3T x int32 index }.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "frontend/File.h"
#include "frontend_ext/Geometry.h"

namespace FrontendExt {

class QBRLoader {
public:
    QBRLoader(File file, int vertexUsage, int indexUsage);

    int meshCount() const { return static_cast<int>(meshes.size()); }
    // The mesh every user draws or edits. A file may legally hold no meshes or
    // meshes without vertices, but nothing can be drawn or shaped from those:
    // asking for one throws Frontend::Error naming the file and the index.
    Geometry& mesh(int index);
    const std::string& fileName() const { return name; }

    std::vector<std::unique_ptr<Geometry>> meshes;

private:
    std::string name;
};

// What the writer takes: one mesh of the file.
struct QBRMesh {
    std::string name;
    std::vector<float> vertices; // x, y, z, u, v per vertex
    std::vector<int> indices;    // three per triangle
};

// Writes meshes in the layout above; the exact inverse of the loader.
// Throws Frontend::Error when the file cannot be written.
void writeQBR(const std::string& path, const std::vector<QBRMesh>& meshes);
std::vector<unsigned char> encodeQBR(const std::vector<QBRMesh>& meshes);

// Parses and checks a whole file held in memory (what the loader does before
// it touches GL); fileName only names the file in error messages. Bytes after
// the last mesh are ignored.
std::vector<QBRMesh> decodeQBR(const unsigned char* bytes, size_t size, const std::string& fileName);

} // namespace FrontendExt
