// Helpers the scenes share: the project's own seeded random generator (every
// scene layout depends on its exact sequence), random vectors and random
// camera paths through seeded key points.
//
//   StdVantrel::srand(1);
//   Vec3 v = StdVantrel::randomVector();            // each component in [-1, 1]
//   Vec3 eye = StdVantrel::randomPath(0, t, true);  // moves through keys seeded 0, 1, 2, ...
#pragma once

#include "frontend/Vec3.h"

namespace StdVantrel {

// The linear congruential generator scenes rely on:
// state = state * 214013 + 2531011 (mod 2^32), result = (state >> 16) & 32767.
void srand(unsigned seed);
int rand();

// One signed random value rand() / 32767 * 2 - 1, formed in double precision.
float signedRandom();

Vec3 randomVector();
Vec3 randomPath(int base, float t, bool linear);

} // namespace StdVantrel
