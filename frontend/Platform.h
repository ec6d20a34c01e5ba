// Two questions about the machine the program runs on, asked from every
// layer: is there a display to show on, and is a GL context current here.
// Kept below everything that asks them, so that a texture or a shader
// freeing its GL names need not know about windows.
#pragma once

namespace Frontend {

// Whether DISPLAY or WAYLAND_DISPLAY names a display server (set and not empty).
bool displayPresent();

// Whether any OpenGL context is current on this thread. GL names die with
// their context, so a destructor that runs after it frees only memory.
bool glContextIsCurrent();

} // namespace Frontend
