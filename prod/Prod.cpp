#include "prod/Prod.h"

namespace Prod {

Prod::Prod()
{
    tempo = 163.0f;
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
    // Scenes join the timeline here, in creation order, as they are written.
}

} // namespace Prod
