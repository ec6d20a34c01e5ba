// The picture generators, one function per file of the production. Each
// returns a fresh picture; all randomness is seeded, so every call gives
// the same pixels.
#pragma once

#include "tools/assets/raster/Raster.h"

namespace Assets {

// Environment maps (reflections of a surrounding sky and ground, as sphere maps).
Picture makeStudioEnvironment();   // bw.jpg
Picture makeDaylightEnvironment(); // someenv.jpg
Picture makeSunsetEnvironment();   // bgenv.jpg
Picture makeChromeEnvironment();   // jall.jpg

// Sky boxes: the picture wraps round the four side faces, bottom row down.
Picture makeFlowerSky();       // scene1.jpg
Picture makeDaySky();          // scene2.jpg
Picture makeHorizonBackdrop(); // scene3.jpg
Picture makeUnderwaterSky();   // scene6.jpg
Picture makeNightSky();        // natthimmel.jpg

// The Horizon scene's layers.
Picture makeCloudBank();    // skyer1.png
Picture makeCloudStreaks(); // skyer2.png
Picture makeCloudPuffs();   // skyer3.png
Picture makeCloudWisps();   // skyer4.png
Picture makeNearHill();     // piper1.png
Picture makeMiddleHills();  // piper2.png
Picture makeFarHills();     // piper3.png
Picture makeGrassLayer();   // gress.png
Picture makeFence();        // grill.png

// Sprites.
Picture makeDot();          // dott.png
Picture makeCloudSprite();  // sky.png
Picture makeNebulaSprite(); // nattsky1.png
Picture makeStarSprite();   // nattsky2.png
Picture makeBubble();       // bubble.jpg

// Surface textures.
Picture makeMeadow();          // grass-bakke.jpg
Picture makeSand();            // sand2.jpg
Picture makeStarfishSkin();    // stjerne.jpg
Picture makeStarfishNormals(); // stjerne_bump.jpg
Picture makeDeckTop();         // skate-top.jpg
Picture makeDeckNormals();     // normal_skate-top.png

// Surfaces of the animated scenes.
Picture makeFlowerAtlas();          // kronblad.jpg: petal (left half), seed disc (right half)
Picture makeFlowerAtlasNormals();   // normal_kronblad.jpg
Picture makeDragonflyBody();        // oyenstikker.jpg
Picture makeDragonflyBodyNormals(); // normal_oyenstikker.jpg
Picture makeDragonflyWing();        // vinge.jpg
Picture makeStrawberrySkin();       // jordbaer.jpg
Picture makeStrawberryNormals();    // normal_jordbaer.jpg
Picture makeWicker();               // kurv.jpg

// Titles.
Picture makeTitleLogo(); // logo.png
Picture makeGroupLogo(); // logo2.png
Picture makeCredits();   // credits.png

// Tangent-space normal map of a height field (x along u, y along v upwards,
// z out of the surface), encoded as n * 0.5 + 0.5.
Picture normalMapFromHeight(const std::vector<float>& height, int width, int height_, float strength, bool wrap);

} // namespace Assets
