// Helpers the scenes share: the project's own seeded random generator (every
// scene layout depends on its exact sequence), random vectors and random
// camera paths through seeded key points.
//
//   StdVantrel::srand(1);
//   Vec3 v = StdVantrel::randomVector();            // each component in [-1, 1]
//   Vec3 eye = StdVantrel::randomPath(0, t, true);  // moves through keys seeded 0, 1, 2, ...
#pragma once

#include <functional>

#include "frontend/Vec3.h"
#include "frontend_ext/Tracks.h"

namespace StdVantrel {

// The linear congruential generator scenes rely on:
// state = state * 214013 + 2531011 (mod 2^32), result = (state >> 16) & 32767.
void srand(unsigned seed);
int rand();

// One signed random value rand() / 32767 * 2 - 1, formed in double precision.
float signedRandom();

Vec3 randomVector();

// A spin track of random key points: after srand(1), each key is a random
// vector times radius, placed later than the one before by its length times
// (a random weight + lengthWeight) plus (a random pause + minimumPause).
// afterKey, when set, runs after each key at its time and may draw from the
// same sequence; scenes depend on the exact order of the draws.
struct SpinTrackDesc {
    float radius = 1.0f;
    float lengthWeight = 0.0f;
    float minimumPause = 0.0f;
    int keys = 500;
};
void fillSpinTrack(Scene::VectorTrack& track, const SpinTrackDesc& desc,
                   const std::function<void(float time)>& afterKey = {});
Vec3 randomPath(int base, float t, bool linear);

} // namespace StdVantrel
