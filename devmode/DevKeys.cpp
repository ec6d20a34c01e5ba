#include "devmode/DevKeys.h"

#include <SDL.h>

namespace Vantrel {

namespace {

// Held keys repeat for the steps; a held Space or Home does nothing more.
bool translate(const SDL_KeyboardEvent& event, DevKey& key)
{
    const bool shift = (event.keysym.mod & KMOD_SHIFT) != 0;
    switch (event.keysym.sym) {
    case SDLK_SPACE: key = DevKey::Pause; return !event.repeat;
    case SDLK_HOME: key = DevKey::Home; return !event.repeat;
    case SDLK_LEFT: key = shift ? DevKey::BarsBack : DevKey::BeatBack; return true;
    case SDLK_RIGHT: key = shift ? DevKey::BarsForward : DevKey::BeatForward; return true;
    case SDLK_PAGEUP: key = DevKey::PreviousEntry; return true;
    case SDLK_PAGEDOWN: key = DevKey::NextEntry; return true;
    case SDLK_LEFTBRACKET: key = DevKey::OffsetEarlier; return true;
    case SDLK_RIGHTBRACKET: key = DevKey::OffsetLater; return true;
    default: return false;
    }
}

int watchKeys(void* userdata, SDL_Event* event)
{
    DevKey key;
    if (event->type == SDL_KEYDOWN && translate(event->key, key))
        static_cast<DevKeyQueue*>(userdata)->push(key);
    return 1;
}

} // namespace

// The watch runs on the thread that pumps events, which is the main loop's.
void DevKeyQueue::watchKeyboard()
{
    if (!watching)
        SDL_AddEventWatch(watchKeys, this);
    watching = true;
}

DevKeyQueue::~DevKeyQueue()
{
    if (watching)
        SDL_DelEventWatch(watchKeys, this);
}

void DevKeyQueue::push(DevKey key)
{
    if (count == kRoom)
        return;
    keys[(head + count) % kRoom] = key;
    count++;
}

bool DevKeyQueue::next(DevKey& key)
{
    if (count == 0)
        return false;
    key = keys[head];
    head = (head + 1) % kRoom;
    count--;
    return true;
}

} // namespace Vantrel
