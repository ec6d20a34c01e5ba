#include "prod/Prod.h"

#include "prod/Balloon.h"
#include "prod/Dragonfly.h"
#include "prod/Flowerball.h"
#include "prod/Horizon.h"
#include "prod/Pils.h"
#include "prod/ShinyCross.h"
#include "prod/Skate.h"
#include "prod/Underwater.h"

namespace Prod {

Prod::Prod()
{
    tempo = kTempo;
    endTime = kEndTime;
    musicFile = "data/music.mp3";
    musicStart = 0.0f;
    width = 800;
    height = 600;
    fullscreen = true;
    viewport[0] = 0;
    viewport[1] = 0;
    viewport[2] = 800;
    viewport[3] = 600;
}

void Prod::load()
{
    Demo::load();
    // Scenes are created in timeline order; each span starts where the one
    // before it ended, at whole beats.
    auto place = [this](int startBeat, int endBeat, Vantrel::Element* scene) {
        timeline.push_back({beatsToSeconds(startBeat), beatsToSeconds(endBeat), scene});
    };
    Pils* pils = new Pils(this);
    place(0, 12, pils);
    place(12, 44, new ShinyCross(this));
    place(44, 76, new Horizon(this));
    place(76, 140, new Flowerball(this));
    place(140, 204, pils);
    place(204, 268, new Dragonfly(this));
    place(268, 332, new Underwater(this));
    place(332, 396, new Balloon(this));
    place(396, 460, new PilsTakeoff(this));
    place(460, 556, new Vantrel::Skate(this));
}

} // namespace Prod
