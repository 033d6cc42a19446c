// gridSearchResults: the two-column results grid of the search window, a
// virtual list-view in report mode. It holds no copy of the results: each
// painted cell asks the database for its text, so a search costs the grid
// only the rows on screen.
//
// Rows are counted as the form counts them: row 0 is the title row (the
// list's header), data row r (from 1) is list item r - 1. The grid keeps its
// own selected row: the list's own selection, key and mouse handling cost
// time in proportion to the number of rows, so the grid replaces them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

class TResultsGrid {
 public:
  // What the grid reports to its form.
  struct TEvents {
    std::function<void(WPARAM key)> KeyPreview;  // any key, before the grid
    // Any mouse button pressed on the grid: the grid row under the pointer,
    // 0 for the title row or outside the cells.
    std::function<void(int row)> MouseDown;
    std::function<void()> DblClick;
    std::function<void(WPARAM key)> KeyDown;
    std::function<void(POINT screen)> PopupMenu;
    // The texts of a data row's two cells.
    std::function<std::string(int dataRow)> FileName;
    std::function<std::string(int dataRow)> FullPath;
  };

  // Takes over the list-view control of the form's template.
  void Attach(HWND listView, TEvents events);
  // Gives the list and its header their own procedures back.
  void Detach();
  HWND Handle() const { return handle_; }

  // The number of data rows (at least one); the list starts again scrolled
  // to the top, with no data row selected.
  void SetDataRowCount(int rows);
  int DataRowCount() const { return dataRows_; }

  // The selected grid row: 0 when no data row is selected.
  int SelectedRow() const { return selectedRow_; }
  // Selects grid row Row (0 selects none) and scrolls it into view.
  void SelectRow(int row);

  // The second column takes the client width the first leaves, less 1.
  void ApplyColumnRule();

  // NM_CUSTOMDRAW from the list, forwarded by the form.
  LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);

 private:
  static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The column rule for a client area narrower by ScrollBarWidth.
  void FitColumns(int scrollBarWidth);
  bool HandleKey(WPARAM key);
  // The grid row under a point of the list's client area; 0 for none.
  int RowAt(POINT client) const;
  void Press(int row);
  void InvalidateRow(int row) const;
  // Every row of the list's page that the paint's clipping leaves visible.
  void DrawPage(HDC dc) const;
  // Both cells of grid row Row within Bounds, in the row's colours.
  void DrawRow(HDC dc, int row, RECT bounds, const int (&columnWidths)[2]) const;

  HWND handle_ = nullptr;
  HWND header_ = nullptr;
  WNDPROC listProc_ = nullptr;
  WNDPROC headerProc_ = nullptr;
  HIMAGELIST rowHeight_ = nullptr;
  TEvents events_;
  int dataRows_ = 0;
  int selectedRow_ = 0;
};
