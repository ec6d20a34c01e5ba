// The animated scenes the generator writes as KDX files, by the file name
// the production opens them under, with the function that builds each.
//
//   for (const Assets::KdxAsset& asset : Assets::kdxAssets())
//       Halvane::writeKDX(dir + "/" + asset.name, *asset.make());
#pragma once

#include <memory>
#include <vector>

#include "frontend_ext/KDXScene.h"

namespace Assets {

struct KdxAsset {
    const char* name;
    std::unique_ptr<Halvane::Scene> (*make)();
};

const std::vector<KdxAsset>& kdxAssets();

// A dragonfly (body, eyes, legs and four wings beating about 30 times over
// animation times 0 to 6000), heading along +x.
std::unique_ptr<Halvane::Scene> makeDragonfly();
// The flight paths: "Camera01" following the flock, its target
// "Camera01.Target", the meadow "Box01" and five flyers, keyed over 0 to 130000.
std::unique_ptr<Halvane::Scene> makeDragonflyPaths();
// A sunflower standing at the origin, its head facing +x.
std::unique_ptr<Halvane::Scene> makeSunflower();
// A ball of flowers, closed at time 0 and burst wide open by time 10000.
std::unique_ptr<Halvane::Scene> makeFlowerball();
// A strawberry turning about its axis (once per 6000) and its green top, which
// turns with it when drawn 15 units below and 5 to the side of it.
std::unique_ptr<Halvane::Scene> makeStrawberry();
std::unique_ptr<Halvane::Scene> makeStrawberryTop();
// Three hot-air balloons rising over a dark landscape, with a camera
// "Camera01" circling the nearest one, keyed over 0 to 12000.
std::unique_ptr<Halvane::Scene> makeBalloons();

} // namespace Assets
