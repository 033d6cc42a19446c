#include "application.h"

#include "exceptions.h"

TApplication Application;

namespace {

const char kApplicationClass[] = "TApplication";

LRESULT CALLBACK ApplicationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void TApplication::CreateHandle(HINSTANCE instance) {
  instance_ = instance;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ApplicationWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "MAINICON");
  windowClass.lpszClassName = kApplicationClass;
  RegisterClassA(&windowClass);
  // A zero-sized popup that carries the task-bar entry while it is shown.
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
  handle_ = CreateWindowExA(0, kApplicationClass, Title.c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            x, y, 0, 0, nullptr, nullptr, instance, nullptr);
  ShowWindow(handle_, SW_HIDE);
}

void TApplication::ShowTaskBarEntry(bool show) { ShowWindow(handle_, show ? SW_SHOW : SW_HIDE); }

bool TApplication::Dispatch(MSG& message) {
  for (HWND dialog : dialogs_) {
    if (dialog && IsWindowVisible(dialog) && IsDialogMessageA(dialog, &message)) return true;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return true;
}

void TApplication::Run() {
  MSG message;
  while (!terminated_) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    Dispatch(message);
  }
  terminated_ = true;
}

void TApplication::ProcessMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::AddModelessDialog(HWND dialog) {
  for (HWND& slot : dialogs_) {
    if (!slot) {
      slot = dialog;
      return;
    }
  }
}

void TApplication::HandleException(const std::exception& exception) {
  if (OnException) {
    OnException(exception);
    return;
  }
  MessageBoxA(nullptr, exception.what(), Title.c_str(), MB_ICONERROR | MB_TASKMODAL);
  Terminate();
}

std::string ExceptionClassName(const std::exception& exception) {
  if (auto* own = dynamic_cast<const Exception*>(&exception)) return own->ClassName();
  if (dynamic_cast<const std::bad_alloc*>(&exception)) return "EOutOfMemory";
  return "Exception";
}

void ShowExceptionBox(const std::exception& exception) {
  const std::string text = ExceptionClassName(exception) + "\r\n\r\n" + exception.what();
  MessageBoxA(nullptr, text.c_str(), Application.Title.c_str(), MB_ICONSTOP | MB_TASKMODAL);
}
