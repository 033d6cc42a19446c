// The help contexts of a form's controls, as its dialog template gives them
// (the last number of a DIALOGEX control). Wine's dialog manager does not
// hand them on to the controls, and F1 and the "?" button report a
// control's context in WM_HELP; this gives each control its own.
#pragma once

#include <windows.h>

// Sets the help context of every control of Dialog that its template
// TemplateName gives one.
void ApplyHelpContexts(HWND dialog, const char* templateName);
