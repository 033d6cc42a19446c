// TargetEditControl: an edit control of another program (named by
// "EDITCONTROLTOMBALO") that receives the chosen result's path instead of
// the file being opened.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <string>

// The edit control named by the last "EDITCONTROLTOMBALO"; never owned.
extern HWND TargetEditControl;

// Whether the program that owns Window is given long paths: its process
// record's executable names its own module.
bool ExePathMatchesModule(HWND window);
// The module record of Process with identifier ModuleId; false when the
// process's modules cannot be listed.
bool FindProcessModule(DWORD process, DWORD moduleId, MODULEENTRY32& found);
// Replaces the edit control's text with Path, or with its short form for a
// program that is not given long paths.
void SendPathToEditControl(HWND editControl, const std::string& path);
