// Forms are dialog templates of the resource scripts whose window class is
// the form's own class name (TFormui, TfrmSplash ...), so that each form is
// laid out by its template and found by its class.
#pragma once

#include <windows.h>

// Registers ClassName as a dialog window class with the program's icon.
void RegisterFormClass(const char* className);
// Creates the modeless form from its template, hidden, owned by Owner.
HWND CreateForm(const char* templateName, HWND owner, DLGPROC procedure, LPARAM parameter = 0);
// The templates give every size and place in the design's pixels, not in
// dialog units, so that a form looks the same whatever font metrics the
// platform derives its dialog units from. Called from each form's
// WM_INITDIALOG, this turns the dialog manager's unit conversion back into
// pixels, for the form's client area and for each of its direct children.
void ApplyPixelLayout(HWND dialog);
// Sets the client area of Window to Width x Height pixels, keeping its frame.
void SetClientSize(HWND window, int width, int height);
// The window procedure of a form that so far has only its layout: laid out
// in pixels when created, hidden when closed.
INT_PTR CALLBACK LayoutOnlyFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Centres Window on the screen.
void CentreOnScreen(HWND window);
