// Moving the X focus between the search window and a native program: asked
// of the window manager where one supports _NET_ACTIVE_WINDOW (it would
// undo a focus set behind its back), set directly where none runs.
#pragma once

#include <X11/Xlib.h>

namespace hotkey_grab {

// Gives Window the X focus; nothing when it has gone.
void GiveFocus(Display* display, Window window);

// Whether Window exists and is mapped.
bool IsMapped(Display* display, Window window);

}  // namespace hotkey_grab
