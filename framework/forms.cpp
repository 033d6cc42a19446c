#include "forms.h"

#include "application.h"

void RegisterFormClass(const char* className) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = DefDlgProcA;
  windowClass.cbWndExtra = DLGWINDOWEXTRA;
  windowClass.hInstance = Application.Instance();
  windowClass.hIcon = LoadIconA(Application.Instance(), "MAINICON");
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);
}

HWND CreateForm(const char* templateName, HWND owner, DLGPROC procedure, LPARAM parameter) {
  return CreateDialogParamA(Application.Instance(), templateName, owner, procedure, parameter);
}

void CentreOnScreen(HWND window) {
  RECT bounds;
  GetWindowRect(window, &bounds);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

struct TUnitScale {
  int BaseX;  // pixels per 4 horizontal dialog units
  int BaseY;  // pixels per 8 vertical dialog units
  int Units(int pixels, int base, int per) const { return MulDiv(pixels, per, base); }
  int X(int pixels) const { return Units(pixels, BaseX, 4); }
  int Y(int pixels) const { return Units(pixels, BaseY, 8); }
};

TUnitScale DialogScale(HWND dialog) {
  RECT base = {0, 0, 4, 8};
  MapDialogRect(dialog, &base);
  return {base.right > 0 ? static_cast<int>(base.right) : 4,
          base.bottom > 0 ? static_cast<int>(base.bottom) : 8};
}

BOOL CALLBACK ApplyPixelLayoutToChild(HWND child, LPARAM parameter) {
  const auto& scale = *reinterpret_cast<const TUnitScale*>(parameter);
  const HWND parent = GetParent(child);
  RECT bounds;
  GetWindowRect(child, &bounds);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&bounds), 2);
  SetWindowPos(child, nullptr, scale.X(bounds.left), scale.Y(bounds.top),
               scale.X(bounds.right - bounds.left), scale.Y(bounds.bottom - bounds.top),
               SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

}  // namespace

void SetClientSize(HWND window, int width, int height) {
  RECT bounds = {0, 0, width, height};
  AdjustWindowRectEx(&bounds, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)),
                     GetMenu(window) != nullptr, static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ApplyPixelLayout(HWND dialog) {
  TUnitScale scale = DialogScale(dialog);
  RECT client;
  GetClientRect(dialog, &client);
  SetClientSize(dialog, scale.X(client.right), scale.Y(client.bottom));
  // Only direct children: a child's own children were laid out in its units.
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ApplyPixelLayoutToChild(child, reinterpret_cast<LPARAM>(&scale));
  }
}

INT_PTR CALLBACK LayoutOnlyFormProc(HWND window, UINT message, WPARAM, LPARAM) {
  bool handled = true;
  Guarded([&] {
    switch (message) {
      case WM_INITDIALOG: ApplyPixelLayout(window); break;
      case WM_CLOSE: ShowWindow(window, SW_HIDE); break;
      default: handled = false;
    }
  });
  return handled ? TRUE : FALSE;
}
