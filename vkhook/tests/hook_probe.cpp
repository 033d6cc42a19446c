// The hook probe: drives vkhook.dll from outside, as the program does, and
// records what it receives, for hook_test.sh.
//
//   hook_probe host DIR           the program's stand-in: a window that logs
//                                 every ACTIVATETOMBALO and EDITCONTROLTOMBALO
//                                 to DIR\messages.log; DIR\host.ready names it
//   hook_probe send COMMAND ...   makes the running host do one thing and
//                                 waits for it: install 0|1, setkey KEY BITS,
//                                 front, owndialog, closeowndialog, quit
//   hook_probe window KIND DIR    another program's window in front (KIND:
//                                 single, multi, readonly dialog or plain
//                                 window); DIR\KIND.ready names it and its edit
//   hook_probe close KIND         closes that window
//   hook_probe delaycheck [call]  whether vkhook.dll is loaded at start and,
//                                 with call, after the first call into it
//
// Window handles are written as 0x followed by eight upper-case hex digits.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "probe_windows.h"
#include "vkhook.h"

namespace {

const char kHostClassName[] = "VkHookProbeHost";

constexpr UINT kCommandInstall = WM_APP + 1;  // wParam: 0 or 1
constexpr UINT kCommandSetKey = WM_APP + 2;   // wParam: key, lParam: bits
constexpr UINT kCommandFront = WM_APP + 3;
constexpr UINT kCommandOwnDialog = WM_APP + 4;  // result: the dialog
constexpr UINT kCommandCloseOwnDialog = WM_APP + 5;
constexpr UINT kCommandQuit = WM_APP + 6;  // ends the host without InstallHook(0)

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

std::string HandleText(HWND window) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
  return text;
}

// The window's screen rectangle, "rect LEFT TOP RIGHT BOTTOM": under Wine on
// X11 the keys reach Wine only through the window under the pointer, so the
// test points at the window it puts in front.
std::string RectText(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return "rect " + std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
         std::to_string(rect.right) + " " + std::to_string(rect.bottom);
}

std::string PathIn(const char* directory, const char* name) { return std::string(directory) + "\\" + name; }

// Written under a temporary name and then renamed, so that the test never
// reads a half-written file.
bool WriteReadyFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp";
  {
    File file(std::fopen(temporary.c_str(), "w"));
    if (!file) return false;
    std::fputs(text.c_str(), file.get());
  }
  return MoveFileA(temporary.c_str(), path.c_str()) != 0;
}

// The host's state, reached from its window procedure.
struct Host {
  File log;
  UINT activateMessage = 0;
  UINT editControlMessage = 0;
  HWND ownDialog = nullptr;

  void Log(const std::string& line) {
    std::fprintf(log.get(), "%s\n", line.c_str());
    std::fflush(log.get());
  }
};

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* state = reinterpret_cast<Host*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (state == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  Host& host = *state;
  if (message == host.activateMessage && message != 0) {
    host.Log("ACTIVATE " + HandleText(reinterpret_cast<HWND>(wParam)));
    return 0;
  }
  if (message == host.editControlMessage && message != 0) {
    host.Log("EDIT " + HandleText(reinterpret_cast<HWND>(wParam)));
    return 0;
  }
  switch (message) {
    case kCommandInstall: {
      const BOOL result = InstallHook(static_cast<BOOL>(wParam), window);
      host.Log("# InstallHook " + std::to_string(wParam) + " -> " + std::to_string(result & 0xFF));
      return result & 0xFF;
    }
    case kCommandSetKey:
      SetKey(static_cast<DWORD>(wParam), static_cast<DWORD>(lParam));
      host.Log("# SetKey " + std::to_string(wParam) + " " + std::to_string(lParam));
      return 1;
    case kCommandFront:
      SetForegroundWindow(window);
      return GetForegroundWindow() == window;
    case kCommandOwnDialog:
      host.ownDialog =
          probe::CreateEditDialog("hook probe owndialog", probe::EditKind::SingleLine, false).top;
      return reinterpret_cast<LRESULT>(host.ownDialog);
    case kCommandCloseOwnDialog:
      if (host.ownDialog != nullptr) DestroyWindow(host.ownDialog);
      host.ownDialog = nullptr;
      return 1;
    case kCommandQuit:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

int RunHost(const char* directory) {
  Host host;
  host.log.reset(std::fopen(PathIn(directory, "messages.log").c_str(), "w"));
  if (!host.log) return 2;
  host.activateMessage = RegisterWindowMessageA("ACTIVATETOMBALO");
  host.editControlMessage = RegisterWindowMessageA("EDITCONTROLTOMBALO");
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = HostWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kHostClassName;
  if (!RegisterClassA(&windowClass)) return 2;
  const HWND window = CreateWindowExA(0, kHostClassName, "hook probe host", WS_OVERLAPPEDWINDOW, 100, 100,
                                      400, 300, nullptr, nullptr, windowClass.hInstance, &host);
  if (window == nullptr) return 2;
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  if (!WriteReadyFile(PathIn(directory, "host.ready"),
                      "host " + HandleText(window) + "\n" + RectText(window) + "\n"))
    return 2;
  return RunMessageLoop();
}

int SendToHost(int argc, char** argv) {
  const HWND window = FindWindowA(kHostClassName, nullptr);
  if (window == nullptr || argc < 1) return 2;
  const std::string command = argv[0];
  auto argument = [&](int index) { return index < argc ? std::strtoul(argv[index], nullptr, 0) : 0UL; };
  LRESULT result = 0;
  if (command == "install") {
    result = SendMessageA(window, kCommandInstall, argument(1), 0);
  } else if (command == "setkey") {
    result = SendMessageA(window, kCommandSetKey, argument(1), static_cast<LPARAM>(argument(2)));
  } else if (command == "front") {
    result = SendMessageA(window, kCommandFront, 0, 0);
  } else if (command == "owndialog") {
    result = SendMessageA(window, kCommandOwnDialog, 0, 0);
    const HWND dialog = reinterpret_cast<HWND>(result);
    std::printf("owndialog %s\n%s\n", HandleText(dialog).c_str(), RectText(dialog).c_str());
  } else if (command == "closeowndialog") {
    result = SendMessageA(window, kCommandCloseOwnDialog, 0, 0);
  } else if (command == "quit") {
    return PostMessageA(window, kCommandQuit, 0, 0) ? 0 : 1;
  } else {
    return 2;
  }
  return result != 0 ? 0 : 1;
}

std::string WindowTitle(const std::string& kind) { return "hook probe " + kind; }

int RunFrontWindow(const std::string& kind, const char* directory) {
  probe::FrontWindow front;
  if (kind == "single") {
    front = probe::CreateEditDialog(WindowTitle(kind).c_str(), probe::EditKind::SingleLine, true);
  } else if (kind == "multi") {
    front = probe::CreateEditDialog(WindowTitle(kind).c_str(), probe::EditKind::MultiLine, true);
  } else if (kind == "readonly") {
    front = probe::CreateEditDialog(WindowTitle(kind).c_str(), probe::EditKind::ReadOnly, true);
  } else if (kind == "plain") {
    front = probe::CreatePlainEditWindow(WindowTitle(kind).c_str());
  }
  if (front.top == nullptr || front.edit == nullptr) return 2;
  const std::string text =
      "top " + HandleText(front.top) + "\nedit " + HandleText(front.edit) + "\n" + RectText(front.top) + "\n";
  if (!WriteReadyFile(PathIn(directory, (kind + ".ready").c_str()), text)) return 2;
  return RunMessageLoop();
}

int CloseFrontWindow(const std::string& kind) {
  const HWND window = FindWindowA(nullptr, WindowTitle(kind).c_str());
  if (window == nullptr) return 1;
  return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
}

int CheckDelayLoad(bool call) {
  std::printf("before %d\n", GetModuleHandleA("vkhook.dll") != nullptr ? 1 : 0);
  if (call) {
    SetKey(0, 0);  // remembered only: nothing is installed
    std::printf("after %d\n", GetModuleHandleA("vkhook.dll") != nullptr ? 1 : 0);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "host" && argc > 2) return RunHost(argv[2]);
  if (mode == "send") return SendToHost(argc - 2, argv + 2);
  if (mode == "window" && argc > 3) return RunFrontWindow(argv[2], argv[3]);
  if (mode == "close" && argc > 2) return CloseFrontWindow(argv[2]);
  if (mode == "delaycheck") return CheckDelayLoad(argc > 2 && std::strcmp(argv[2], "call") == 0);
  std::fprintf(stderr, "usage: hook_probe host|send|window|close|delaycheck ...\n");
  return 2;
}
