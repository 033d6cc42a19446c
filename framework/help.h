// The program's help: the help file and the two ways of opening it, its
// contents (Help > Contents) and a control's topic (F1, or the "?" button
// of a dialog, which arrive as WM_HELP with the control's help context).
#pragma once

#include <windows.h>

#include <string>

// "Vk96.hlp" in the folder of the program file itself.
std::string ApplicationHelpFile();
// The help file's contents and index.
void ShowHelpContents(HWND window);
// The topic of the control that asked for help; a control without a help
// context opens nothing.
void ShowControlHelp(HWND window, const HELPINFO& request);
