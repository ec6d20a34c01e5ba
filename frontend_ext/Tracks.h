// Key tracks: keyed vectors (positions, scales, scripted paths) and keyed
// rotations, evaluated at any time by searching the keys around it.
//
// Keys are appended in increasing time order. Before the first key a track
// holds its first key, from the last key on it holds the last; a track with
// no keys reads as the zero vector (or the identity rotation) at time 0.
//
//   Scene::VectorTrack path;
//   path.addKey({0, 0, 0}, 0.0f);
//   path.addKey({10, 0, 0}, 2.0f);
//   Vec3 p = path.interpolate(0.5f);          // straight between the keys around t
//   Vec3 q = path.interpolateCubic(0.5f);     // smooth through four keys
#pragma once

#include <vector>

#include "frontend/Vec3.h"

namespace Scene {

struct Quaternion {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
};

// The key times and the search both kinds of track share.
class KeyTimes {
public:
    int keyCount() const { return static_cast<int>(times.size()); }
    float keyTime(int index) const { return times[index]; }

    // The key at or before t for offset 0, the one after it for offset 1,
    // shifted by offset - 1 from the first key later than t and clamped to the
    // keys; from the last key's time on, always the last key. -1 when empty.
    int findKey(float t, int offset) const;
    // Where t lies between the keys findKey(t, 0) and findKey(t, 1): 0 at the
    // first, 1 at the second, 0 when both are the same key.
    float fraction(float t) const;

protected:
    // Grows the room to the count plus 10 when it is full: fine for tracks
    // scripted key by key, while readers that know the count reserve it.
    void appendTime(float time);

    std::vector<float> times;
};

class VectorTrack : public KeyTimes {
public:
    // Room for `keys` keys in all, so that appending them copies nothing.
    void reserve(int keys);
    void addKey(const Vec3& value, float time);
    // The key's value; the zero vector for -1 (the empty track).
    Vec3 keyValue(int index) const;

    Vec3 interpolate(float t) const;
    // Through the keys findKey(t, -1 .. 2), passing the second at fraction 0
    // and the third at fraction 1.
    Vec3 interpolateCubic(float t) const;

private:
    std::vector<Vec3> values;
};

class RotationTrack : public KeyTimes {
public:
    void reserve(int keys);
    void addKey(const Quaternion& value, float time);
    // The key's quaternion; the identity for -1 (the empty track).
    Quaternion keyValue(int index) const;

    // Spherical interpolation the short way round. Unit keys are assumed; the
    // result is not renormalised.
    Quaternion interpolate(float t) const;

private:
    std::vector<Quaternion> values;
};

} // namespace Scene
