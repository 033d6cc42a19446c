// The search window's controls and the state it keeps, shared by the files
// that make up the window: the form itself (search_window.cpp), its
// commands, its activation and its results grid.
#pragma once

#include <windows.h>

#include "results_grid.h"

struct TFormui {
  HWND Handle = nullptr;
  HWND editSearchFilename = nullptr;
  HWND btnFind = nullptr;
  HWND StatusBar = nullptr;
  TResultsGrid gridSearchResults;
  HMENU pmListBox = nullptr;  // the grid's popup menu, loaded once
  // The window named by the last "ACTIVATETOMBALO"; never owned.
  HWND CallerWindow = nullptr;
  // A close request closes the window only while this is true.
  bool AllowClose = false;
  // How long the last search's Search call took, in seconds: the window's
  // benchmark tells the window's own share of a search from it.
  double LastSearchSeconds = 0;
};

// The one search window of the program.
TFormui& Formui();
