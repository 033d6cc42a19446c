#include "x_focus.h"

#include <X11/Xatom.h>

#include "x_errors.h"

namespace hotkey_grab {
namespace {

// A window property of 32-bit items, read whole (up to Limit items).
bool ReadProperty(Display* display, Window window, Atom property, Atom type, long limit, unsigned long* items,
                  unsigned char** data) {
  Atom actualType = None;
  int format = 0;
  unsigned long after = 0;
  *data = nullptr;
  TXErrorTrap trap(display);
  const int status = XGetWindowProperty(display, window, property, 0, limit, False, type, &actualType, &format,
                                        items, &after, data);
  if (trap.Caught() || status != Success || actualType != type || format != 32 || *items == 0) {
    if (*data != nullptr) XFree(*data);
    *data = nullptr;
    return false;
  }
  return true;
}

Window WindowProperty(Display* display, Window window, Atom property) {
  unsigned long items = 0;
  unsigned char* data = nullptr;
  if (!ReadProperty(display, window, property, XA_WINDOW, 1, &items, &data)) return None;
  const Window value = *reinterpret_cast<Window*>(data);
  XFree(data);
  return value;
}

// A window manager runs when the root names a check window that names
// itself (a manager that has ended leaves the root's property behind), and
// it takes _NET_ACTIVE_WINDOW when it lists it as supported.
bool ManagerTakesActiveWindow(Display* display, Atom activeWindow) {
  const Window root = DefaultRootWindow(display);
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  const Window checkWindow = WindowProperty(display, root, check);
  if (checkWindow == None || WindowProperty(display, checkWindow, check) != checkWindow) return false;
  unsigned long items = 0;
  unsigned char* data = nullptr;
  if (!ReadProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, 4096, &items, &data)) {
    return false;
  }
  const Atom* supported = reinterpret_cast<Atom*>(data);
  bool found = false;
  for (unsigned long i = 0; i < items && !found; ++i) found = supported[i] == activeWindow;
  XFree(data);
  return found;
}

// The window manager knows a program by its top-level client window (the
// one with WM_STATE); the focus may sit in a child of it.
Window ClientWindowOf(Display* display, Window window) {
  const Atom wmState = XInternAtom(display, "WM_STATE", False);
  for (Window current = window; current != None;) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    TXErrorTrap trap(display);
    XGetWindowProperty(display, current, wmState, 0, 0, False, AnyPropertyType, &type, &format, &items, &after,
                       &data);
    if (data != nullptr) XFree(data);
    if (trap.Caught()) return window;
    if (type != None) return current;
    Window root = None, parent = None, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, current, &root, &parent, &children, &count)) return window;
    if (children != nullptr) XFree(children);
    if (parent == root) return window;
    current = parent;
  }
  return window;
}

}  // namespace

bool IsMapped(Display* display, Window window) {
  XWindowAttributes attributes;
  TXErrorTrap trap(display);
  const Status got = XGetWindowAttributes(display, window, &attributes);
  return !trap.Caught() && got != 0 && attributes.map_state != IsUnmapped;
}

void GiveFocus(Display* display, Window window) {
  if (window == None || !IsMapped(display, window)) return;
  const Atom activeWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
  TXErrorTrap trap(display);
  if (ManagerTakesActiveWindow(display, activeWindow)) {
    XEvent request = {};
    request.xclient.type = ClientMessage;
    request.xclient.window = ClientWindowOf(display, window);
    request.xclient.message_type = activeWindow;
    request.xclient.format = 32;
    request.xclient.data.l[0] = 2;  // from a pager: the user asked for it
    request.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &request);
  } else {
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
  }
  trap.Caught();
}

}  // namespace hotkey_grab
