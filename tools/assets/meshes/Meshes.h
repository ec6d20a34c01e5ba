// The mesh generators, one function per QBR file of the production; each
// returns the file's meshes in order. Sizes are in the units of the scenes
// that draw them (see each function).
#pragma once

#include <vector>

#include "tools/assets/mesh/Mesh.h"

namespace Assets {

std::vector<Mesh> makeCross();      // cross.qbr
std::vector<Mesh> makeLogoMesh();   // morvask.qbr
std::vector<Mesh> makeOrnament();   // jiha.qbr
std::vector<Mesh> makeFork();       // gaffel.qbr
std::vector<Mesh> makeStarfish();   // seastar.qbr
std::vector<Mesh> makeSeaFloor();   // seafloor.qbr
std::vector<Mesh> makeForest();     // atsolskogen.qbr
std::vector<Mesh> makeSkateboard(); // skate.qbr

// Flips a closed mesh whose triangles face inwards.
void orientOutward(Mesh& mesh);

} // namespace Assets
