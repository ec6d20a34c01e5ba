// Where the program's matrix stacks (StateMatrices.cpp) go after each change:
// desktop GL keeps copies in its fixed-function stacks, for whatever reads
// them there; WebGL has none, and its shaders get the matrices as parameters.
#pragma once

namespace Frontend::StateMirror {

void world(const float m[16]);
void view(const float m[16]);
void projection(const float m[16]);

} // namespace Frontend::StateMirror
