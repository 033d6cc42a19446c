// The windows the hook probe puts in front: dialog boxes with one edit box
// of a given kind, and a plain window with an edit box.
#pragma once

#include <windows.h>

namespace probe {

struct FrontWindow {
  HWND top = nullptr;
  HWND edit = nullptr;
};

enum class EditKind { SingleLine, MultiLine, ReadOnly };

// A modeless dialog box (class "#32770") on the calling thread, with its one
// edit box focused and the dialog brought to the front. When quitOnClose is
// set, closing it ends the thread's message loop.
FrontWindow CreateEditDialog(const char* title, EditKind kind, bool quitOnClose);

// A plain top-level window (not a dialog) with a focused single-line edit.
FrontWindow CreatePlainEditWindow(const char* title);

}  // namespace probe
