#include "results_grid.h"

#include "resource.h"
#include "resource_strings.h"

namespace {

constexpr int kFirstColumnWidth = 160;
constexpr int kSecondColumnWidth = 311;
constexpr int kRowHeight = 16;
constexpr UINT kCellFormat = DT_SINGLELINE | DT_VCENTER;
// The list paints into a memory bitmap and puts it on the screen at once:
// drawing cell by cell on the screen costs a display round trip each.
constexpr DWORD kDoubleBuffer = 0x00010000;  // LVS_EX_DOUBLEBUFFER

// The grid is found from its windows' user data, not from a window property:
// under Wine every GetPropA is a round trip to the window server (about 30 us),
// and the list and its header see dozens of messages for every paint.
TResultsGrid* GridOf(HWND window) { return reinterpret_cast<TResultsGrid*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

void InsertColumn(HWND list, int index, int width, unsigned titleId) {
  std::string title = LoadResourceString(titleId);
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.cx = width;
  column.pszText = &title[0];
  column.iSubItem = index;
  SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

int ColumnWidth(HWND list, int column) {
  return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

bool ControlHeld() { return GetKeyState(VK_CONTROL) < 0; }

}  // namespace

void TResultsGrid::Attach(HWND listView, TEvents events) {
  handle_ = listView;
  events_ = std::move(events);
  header_ = reinterpret_cast<HWND>(SendMessageA(handle_, LVM_GETHEADER, 0, 0));
  SendMessageA(handle_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | kDoubleBuffer);
  // A list-view's rows are as high as its tallest image: an empty image
  // list of the grid's row height gives every row that height.
  rowHeight_ = ImageList_Create(1, kRowHeight, ILC_COLOR, 0, 1);
  SendMessageA(handle_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowHeight_));
  InsertColumn(handle_, 0, kFirstColumnWidth, IDS_COLUMN_FILENAME);
  InsertColumn(handle_, 1, kSecondColumnWidth, IDS_COLUMN_PATH);
  for (HWND window : {handle_, header_}) {
    if (!window) continue;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  listProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TResultsGrid::ListProc)));
  if (header_) {
    headerProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(header_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TResultsGrid::HeaderProc)));
  }
}

void TResultsGrid::Detach() {
  if (!handle_) return;
  SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProc_));
  SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
  if (header_) {
    SetWindowLongPtrA(header_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(headerProc_));
    SetWindowLongPtrA(header_, GWLP_USERDATA, 0);
  }
  SendMessageA(handle_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
  if (rowHeight_) ImageList_Destroy(rowHeight_);
  rowHeight_ = nullptr;
  handle_ = header_ = nullptr;
}

void TResultsGrid::SetDataRowCount(int rows) {
  selectedRow_ = 0;
  const int page = static_cast<int>(SendMessageA(handle_, LVM_GETCOUNTPERPAGE, 0, 0));
  const int top = static_cast<int>(SendMessageA(handle_, LVM_GETTOPINDEX, 0, 0));
  // Showing or hiding the scroll bar costs far more than painting a page:
  // when the bar stays as it is and the list is already at its top, the
  // columns already fit and only the count and the cells change.
  if (top == 0 && (rows > page) == (dataRows_ > page)) {
    if (rows != dataRows_) {
      SendMessageA(handle_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0);
    } else {
      InvalidateRect(handle_, nullptr, FALSE);
    }
    dataRows_ = rows;
    return;
  }
  // Going through an empty list puts the list back at its top.
  SendMessageA(handle_, LVM_SETITEMCOUNT, 0, 0);
  // A column that changes width while the list holds rows costs time in
  // proportion to their number: the columns are fitted, for the scroll bar
  // the new rows will bring, while there are none.
  FitColumns(rows > page ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  dataRows_ = rows;
  SendMessageA(handle_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0);
}

void TResultsGrid::SelectRow(int row) {
  if (row < 0 || row > dataRows_) row = 0;
  if (row == selectedRow_) {
    if (row) SendMessageA(handle_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row - 1), FALSE);
    return;
  }
  InvalidateRow(selectedRow_);
  selectedRow_ = row;
  InvalidateRow(selectedRow_);
  if (row) SendMessageA(handle_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row - 1), FALSE);
}

void TResultsGrid::ApplyColumnRule() { FitColumns(0); }

void TResultsGrid::FitColumns(int scrollBarWidth) {
  RECT client;
  GetClientRect(handle_, &client);
  int width = client.right - scrollBarWidth - ColumnWidth(handle_, 0) - 1;
  if (width < 0) width = 0;
  if (width != ColumnWidth(handle_, 1)) SendMessageA(handle_, LVM_SETCOLUMNWIDTH, 1, width);
}

void TResultsGrid::InvalidateRow(int row) const {
  if (row < 1) return;
  RECT bounds = {};
  bounds.left = LVIR_BOUNDS;
  if (SendMessageA(handle_, LVM_GETITEMRECT, static_cast<WPARAM>(row - 1), reinterpret_cast<LPARAM>(&bounds))) {
    RECT client;
    GetClientRect(handle_, &client);
    bounds.left = client.left;
    bounds.right = client.right;
    InvalidateRect(handle_, &bounds, FALSE);
  }
}

int TResultsGrid::RowAt(POINT client) const {
  const int top = static_cast<int>(SendMessageA(handle_, LVM_GETTOPINDEX, 0, 0));
  RECT first = {};
  first.left = LVIR_BOUNDS;
  if (!SendMessageA(handle_, LVM_GETITEMRECT, static_cast<WPARAM>(top), reinterpret_cast<LPARAM>(&first))) return 0;
  const int height = first.bottom - first.top;
  if (height <= 0 || client.y < first.top) return 0;
  const int width = ColumnWidth(handle_, 0) + ColumnWidth(handle_, 1);
  if (client.x < first.left || client.x >= first.left + width) return 0;
  const int item = top + (client.y - first.top) / height;
  return item < dataRows_ ? item + 1 : 0;
}

void TResultsGrid::Press(int row) {
  SetFocus(handle_);
  if (events_.MouseDown) events_.MouseDown(row);
}

bool TResultsGrid::HandleKey(WPARAM key) {
  const int page = static_cast<int>(SendMessageA(handle_, LVM_GETCOUNTPERPAGE, 0, 0));
  const int step = page > 1 ? page - 1 : 1;
  int row = selectedRow_;
  switch (key) {
    case VK_UP: row = row > 1 ? row - 1 : 1; break;
    case VK_DOWN: row = row < dataRows_ ? row + 1 : dataRows_; break;
    case VK_PRIOR: row = row - step > 1 ? row - step : 1; break;
    case VK_NEXT: row = row + step < dataRows_ ? row + step : dataRows_; break;
    case VK_HOME: row = 1; break;
    case VK_END: row = dataRows_; break;
    default: return false;
  }
  SelectRow(row);
  return true;
}

void TResultsGrid::DrawRow(HDC dc, int row, RECT bounds, const int (&columnWidths)[2]) const {
  const bool selected = row == selectedRow_;
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  FillRect(dc, &bounds, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int dataRow = row - 1;
  const std::string texts[2] = {events_.FileName ? events_.FileName(dataRow) : std::string(),
                                " " + (events_.FullPath ? events_.FullPath(dataRow) : std::string())};
  RECT cell = bounds;
  for (int column = 0; column < 2; ++column) {
    cell.right = cell.left + columnWidths[column];
    DrawTextA(dc, texts[column].c_str(), static_cast<int>(texts[column].size()), &cell, kCellFormat);
    cell.left = cell.right;
  }
}

void TResultsGrid::DrawPage(HDC dc) const {
  const int top = static_cast<int>(SendMessageA(handle_, LVM_GETTOPINDEX, 0, 0));
  RECT first = {};
  first.left = LVIR_BOUNDS;
  if (!SendMessageA(handle_, LVM_GETITEMRECT, static_cast<WPARAM>(top), reinterpret_cast<LPARAM>(&first))) return;
  const int height = first.bottom - first.top;
  RECT clip;
  if (height <= 0 || GetClipBox(dc, &clip) <= NULLREGION) return;
  const int columnWidths[2] = {ColumnWidth(handle_, 0), ColumnWidth(handle_, 1)};
  SetBkMode(dc, TRANSPARENT);
  // The row's bounds start at the first column's left edge, scrolled.
  RECT row = first;
  row.right = row.left + columnWidths[0] + columnWidths[1];
  int item = top;
  if (clip.top > first.top) item += (clip.top - first.top) / height;
  for (; item < dataRows_; ++item) {
    row.top = first.top + (item - top) * height;
    row.bottom = row.top + height;
    if (row.top >= clip.bottom) break;
    if (RectVisible(dc, &row)) DrawRow(dc, item + 1, row, columnWidths);
  }
}

// The page is drawn whole at the list's first notice of a paint, and the
// list is told to draw no row itself. Left to draw row by row, the list asks
// for every row's text (LVN_GETDISPINFO), measures it, selects its font and
// notifies again, and under Wine that costs about 80 us a row, so the page
// of a million hits took longer to paint than the one empty row of none.
// The list still puts its grid lines over the rows afterwards.
LRESULT TResultsGrid::CustomDraw(NMLVCUSTOMDRAW& draw) {
  if (draw.nmcd.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
  DrawPage(draw.nmcd.hdc);
  return CDRF_SKIPDEFAULT;
}

LRESULT CALLBACK TResultsGrid::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TResultsGrid* grid = GridOf(window);
  const POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  switch (message) {
    case WM_KEYDOWN:
      if (grid->events_.KeyPreview) grid->events_.KeyPreview(wParam);
      if (grid->HandleKey(wParam)) return 0;
      if (grid->events_.KeyDown) grid->events_.KeyDown(wParam);
      // Ctrl with a letter is a command here, never the list's type-ahead.
      if (ControlHeld()) return 0;
      break;
    case WM_CHAR:
      // The list's type-ahead search would move its own selection.
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      grid->Press(grid->RowAt(point));
      return 0;
    case WM_LBUTTONDBLCLK:
      grid->Press(grid->RowAt(point));
      if (grid->events_.DblClick) grid->events_.DblClick();
      return 0;
    case WM_RBUTTONUP: {
      POINT screen = point;
      ClientToScreen(window, &screen);
      if (grid->events_.PopupMenu) grid->events_.PopupMenu(screen);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      return 0;
    default: break;
  }
  return CallWindowProcA(grid->listProc_, window, message, wParam, lParam);
}

// A press on the title row leaves no data row selected; the header goes on
// to handle it, so that the column borders can still be dragged.
LRESULT CALLBACK TResultsGrid::HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TResultsGrid* grid = GridOf(window);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      grid->Press(0);
      break;
    default: break;
  }
  return CallWindowProcA(grid->headerProc_, window, message, wParam, lParam);
}
