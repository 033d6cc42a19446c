// vktest.exe: drives the real program from outside in the end-to-end tests,
// through its windows, its registered messages and its settings. Every wait
// is bounded; the exit code says whether the condition was met (0) or not (1).
//
//   vktest wait-window CLASS visible|hidden|exists|gone MILLISECONDS
//   vktest wait-control CLASS ID visible|hidden MILLISECONDS
//                                                a control of that window
//   vktest window-rect CLASS                     prints left top right bottom
//   vktest send CLASS MESSAGE [WPARAM [LPARAM]]  MESSAGE: a number or a
//                                                registered message name;
//                                                prints the result
//   vktest tray-icon CLASS ID                    whether that window has
//                                                notification-area icon ID
//   vktest post CLASS MESSAGE [WPARAM [LPARAM]]  the same, without waiting
//   vktest wait-message-box CAPTION MILLISECONDS [ok|yes|no]
//                                                prints the box's text and
//                                                answers it
//   vktest caller TITLE MILLISECONDS [X Y WIDTH HEIGHT]
//                                                a top-level window in front,
//                                                kept for that long
//   vktest reg-dword|reg-string|reg-binary KEY NAME VALUE
//   vktest reg-delete KEY NAME                   under HKEY_CLASSES_ROOT
//   vktest reg-get KEY NAME                      prints type and value
//   vktest control-text CLASS ID                 prints the text of control
//                                                ID of that window
//   vktest help-context HELPFILE CONTEXT         asks the help viewer for the
//                                                topic of a help context
//   vktest help-text TEXT MILLISECONDS           waits until the help viewer
//                                                shows a topic holding TEXT
//   vktest wait-text CLASS ID TEXT MILLISECONDS  a control's text (a status
//                                                bar's first part) is TEXT
//   vktest wait-focus CLASS FOCUSCLASS MILLISECONDS
//                                                the foreground window is of
//                                                CLASS, its focus of FOCUSCLASS
//   vktest focus-text                            the text of the foreground
//                                                window's focused control
//   vktest wait-title TEXT MILLISECONDS          a visible top-level window
//                                                whose title contains TEXT
//   vktest clipboard                             prints the clipboard's text
//   vktest clipboard-set TEXT
//   vktest child-rect CLASS CHILDCLASS           prints the screen rectangle
//                                                of the window's first
//                                                descendant of CHILDCLASS
//   vktest work-area                             prints left top right bottom
//   vktest dialog-edit-text TITLE                the text of the first edit box
//                                                of the dialog titled TITLE
//   vktest modifiers                             prints the Ctrl, Alt, Shift
//                                                keys' state (1 = down)
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

DWORD Now() { return GetTickCount(); }

// An emulated PC (tools/x86-machine.sh) runs everything several times
// slower and says by how much in VELKORO_TIME_SCALE.
DWORD Scaled(DWORD milliseconds) {
  const char* scale = getenv("VELKORO_TIME_SCALE");
  const long factor = scale ? strtol(scale, nullptr, 10) : 1;
  return factor > 1 ? milliseconds * static_cast<DWORD>(factor) : milliseconds;
}

bool WaitFor(DWORD milliseconds, bool (*condition)(void*), void* context) {
  milliseconds = Scaled(milliseconds);
  const DWORD start = Now();
  for (;;) {
    if (condition(context)) return true;
    if (Now() - start >= milliseconds) return false;
    Sleep(20);
  }
}

struct TWindowQuery {
  const char* ClassName;
  std::string State;
};

bool WindowInState(void* context) {
  auto* query = static_cast<TWindowQuery*>(context);
  const HWND window = FindWindowA(query->ClassName, nullptr);
  if (query->State == "gone") return window == nullptr;
  if (!window) return false;
  if (query->State == "exists") return true;
  const bool visible = IsWindowVisible(window) != FALSE;
  return query->State == "visible" ? visible : !visible;
}

int WaitWindow(const char* className, const char* state, DWORD milliseconds) {
  TWindowQuery query{className, state};
  if (!WaitFor(milliseconds, WindowInState, &query)) {
    std::fprintf(stderr, "vktest: window %s not %s within %lu ms\n", className, state, milliseconds);
    return 1;
  }
  return 0;
}

struct TControlQuery {
  const char* ClassName;
  int Id;
  bool Visible;
};

bool ControlInState(void* context) {
  auto* query = static_cast<TControlQuery*>(context);
  const HWND window = FindWindowA(query->ClassName, nullptr);
  const HWND control = window ? GetDlgItem(window, query->Id) : nullptr;
  return control && (IsWindowVisible(control) != FALSE) == query->Visible;
}

int WaitControl(const char* className, int id, const char* state, DWORD milliseconds) {
  TControlQuery query{className, id, std::strcmp(state, "visible") == 0};
  if (!WaitFor(milliseconds, ControlInState, &query)) {
    std::fprintf(stderr, "vktest: control %d of %s not %s within %lu ms\n", id, className, state, milliseconds);
    return 1;
  }
  return 0;
}

HWND RequireWindow(const char* className) {
  const HWND window = FindWindowA(className, nullptr);
  if (!window) {
    std::fprintf(stderr, "vktest: no window of class %s\n", className);
    std::exit(1);
  }
  return window;
}

UINT MessageNumber(const char* text) {
  char* end = nullptr;
  const unsigned long number = std::strtoul(text, &end, 0);
  if (end && *end == '\0') return static_cast<UINT>(number);
  return RegisterWindowMessageA(text);
}

int Send(int argc, char** argv) {
  const HWND window = RequireWindow(argv[2]);
  const UINT message = MessageNumber(argv[3]);
  const WPARAM wParam = argc > 4 ? std::strtoul(argv[4], nullptr, 0) : 0;
  const LPARAM lParam = argc > 5 ? std::strtol(argv[5], nullptr, 0) : 0;
  if (std::strcmp(argv[1], "post") == 0) {
    if (PostMessageA(window, message, wParam, lParam)) return 0;
    std::fprintf(stderr, "vktest: PostMessage failed with error %lu\n", GetLastError());
    return 1;
  }
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, Scaled(10000), &result)) {
    std::fprintf(stderr, "vktest: the window did not answer\n");
    return 1;
  }
  std::printf("%lu\n", static_cast<unsigned long>(result));
  return 0;
}

// A notification-area icon can be modified only while it exists.
int TrayIcon(const char* className, UINT id) {
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = RequireWindow(className);
  data.uID = id;
  data.uFlags = 0;
  return Shell_NotifyIconA(NIM_MODIFY, &data) ? 0 : 1;
}

struct TBoxQuery {
  const char* Caption;
  HWND Found = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
  auto* query = reinterpret_cast<TBoxQuery*>(parameter);
  char className[64] = {}, caption[256] = {};
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, caption, sizeof caption);
  if (std::strcmp(className, "#32770") == 0 && std::strcmp(caption, query->Caption) == 0 &&
      IsWindowVisible(window)) {
    query->Found = window;
    return FALSE;
  }
  return TRUE;
}

bool BoxShown(void* context) {
  auto* query = static_cast<TBoxQuery*>(context);
  query->Found = nullptr;
  EnumWindows(FindBox, reinterpret_cast<LPARAM>(query));
  return query->Found != nullptr;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM parameter) {
  char className[64] = {};
  GetClassNameA(child, className, sizeof className);
  if (_stricmp(className, "Static") == 0) {
    char text[4096] = {};
    GetWindowTextA(child, text, sizeof text);
    auto* all = reinterpret_cast<std::string*>(parameter);
    if (text[0]) *all += std::string(text) + "\n";
  }
  return TRUE;
}

int WaitMessageBox(const char* caption, DWORD milliseconds, int answer) {
  TBoxQuery query{caption};
  if (!WaitFor(milliseconds, BoxShown, &query)) {
    std::fprintf(stderr, "vktest: no message box '%s' within %lu ms\n", caption, milliseconds);
    return 1;
  }
  std::string text;
  EnumChildWindows(query.Found, CollectStaticText, reinterpret_cast<LPARAM>(&text));
  std::fputs(text.c_str(), stdout);
  if (answer) PostMessageA(query.Found, WM_COMMAND, static_cast<WPARAM>(answer), 0);
  return 0;
}

int WindowRect(const char* className) {
  RECT bounds;
  GetWindowRect(RequireWindow(className), &bounds);
  std::printf("%ld %ld %ld %ld\n", bounds.left, bounds.top, bounds.right, bounds.bottom);
  return 0;
}

LRESULT CALLBACK CallerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// A window of another program in front, as the hot key finds it.
int Caller(const char* title, DWORD milliseconds, RECT bounds) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CallerProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "VkTestCaller";
  RegisterClassA(&windowClass);
  const HWND window = CreateWindowExA(0, "VkTestCaller", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                      bounds.left, bounds.top, bounds.right, bounds.bottom, nullptr, nullptr, windowClass.hInstance, nullptr);
  SetForegroundWindow(window);
  std::printf("%lu\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
  std::fflush(stdout);
  const DWORD start = Now();
  MSG message;
  while (Now() - start < milliseconds) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return 0;
}

int RegistryFailure(const char* what) {
  std::fprintf(stderr, "vktest: %s\n", what);
  return 1;
}

int RegistrySet(const std::string& kind, const char* keyPath, const char* name, const char* value) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return RegistryFailure("cannot open the key");
  }
  LONG result;
  if (kind == "reg-string") {
    result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(std::strlen(value) + 1));
  } else if (kind == "reg-dword") {
    const DWORD number = static_cast<DWORD>(std::strtoul(value, nullptr, 0));
    result = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
  } else {
    // Hex bytes, for instance 01000000.
    std::vector<BYTE> bytes;
    for (size_t i = 0; value[i] && value[i + 1]; i += 2) {
      const char pair[3] = {value[i], value[i + 1], 0};
      bytes.push_back(static_cast<BYTE>(std::strtoul(pair, nullptr, 16)));
    }
    result = RegSetValueExA(key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? 0 : RegistryFailure("cannot set the value");
}

int RegistryDelete(const char* keyPath, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
  RegDeleteValueA(key, name);
  RegCloseKey(key);
  return 0;
}

int RegistryGet(const char* keyPath, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return RegistryFailure("no such key");
  }
  BYTE data[1024] = {};
  DWORD size = sizeof data, type = 0;
  const LONG result = RegQueryValueExA(key, name, nullptr, &type, data, &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return RegistryFailure("no such value");
  if (type == REG_DWORD) {
    DWORD number;
    std::memcpy(&number, data, 4);
    std::printf("dword %lu\n", number);
  } else if (type == REG_SZ) {
    std::printf("string %s\n", reinterpret_cast<char*>(data));
  } else {
    std::printf("type%lu", type);
    for (DWORD i = 0; i < size; ++i) std::printf(" %02x", data[i]);
    std::printf("\n");
  }
  return 0;
}

// Asked by message: GetWindowTextA would answer another process's edit box
// with its caption, not with its text.
std::string WindowText(HWND window) {
  char text[4096] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, Scaled(5000),
                      &copied);
  return text;
}

int ControlText(const char* className, int id) {
  const HWND control = GetDlgItem(RequireWindow(className), id);
  if (!control) {
    std::fprintf(stderr, "vktest: no control %d in %s\n", id, className);
    return 1;
  }
  std::printf("%s\n", WindowText(control).c_str());
  return 0;
}

int HelpContext(const char* helpFile, DWORD context) {
  if (WinHelpA(nullptr, helpFile, HELP_CONTEXT, context)) return 0;
  std::fprintf(stderr, "vktest: WinHelp failed for context %lu\n", context);
  return 1;
}

struct THelpQuery {
  const char* Text;
  std::string Seen;
};

BOOL CALLBACK CollectHelpText(HWND child, LPARAM parameter) {
  char className[64] = {};
  GetClassNameA(child, className, sizeof className);
  if (_strnicmp(className, "RichEdit", 8) == 0) {
    char text[8192] = {};
    SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, Scaled(2000),
                        nullptr);
    reinterpret_cast<THelpQuery*>(parameter)->Seen += text;
  }
  return TRUE;
}

BOOL CALLBACK CollectHelpWindows(HWND window, LPARAM parameter) {
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, "MS_WINHELP") == 0 && IsWindowVisible(window)) {
    EnumChildWindows(window, CollectHelpText, parameter);
  }
  return TRUE;
}

bool HelpShows(void* context) {
  auto* query = static_cast<THelpQuery*>(context);
  query->Seen.clear();
  EnumWindows(CollectHelpWindows, reinterpret_cast<LPARAM>(query));
  return query->Seen.find(query->Text) != std::string::npos;
}

int HelpText(const char* text, DWORD milliseconds) {
  THelpQuery query{text, {}};
  if (!WaitFor(milliseconds, HelpShows, &query)) {
    std::fprintf(stderr, "vktest: the help viewer does not show '%s' within %lu ms; it shows:\n%s\n", text,
                 milliseconds, query.Seen.c_str());
    return 1;
  }
  return 0;
}

// The search window's end-to-end tests: texts, focus, titles, clipboard.


std::string ClassOf(HWND window) {
  char name[64] = {};
  if (window) GetClassNameA(window, name, sizeof name);
  return name;
}

struct TTextQuery {
  const char* ClassName;
  int Id;
  std::string Expected;
  std::string Actual;
};

bool ControlHasText(void* context) {
  auto* query = static_cast<TTextQuery*>(context);
  const HWND window = FindWindowA(query->ClassName, nullptr);
  const HWND control = window ? GetDlgItem(window, query->Id) : nullptr;
  query->Actual = control ? WindowText(control) : "(no control)";
  return query->Actual == query->Expected;
}

int WaitText(const char* className, int id, const char* text, DWORD milliseconds) {
  TTextQuery query{className, id, text, ""};
  if (!WaitFor(milliseconds, ControlHasText, &query)) {
    std::fprintf(stderr, "vktest: control %d of %s reads '%s', not '%s'\n", id, className, query.Actual.c_str(),
                 text);
    return 1;
  }
  return 0;
}

// The foreground window and the control that has the focus in its thread.
bool ForegroundFocus(HWND& foreground, HWND& focus) {
  foreground = GetForegroundWindow();
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  focus = nullptr;
  if (!foreground || !GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info)) return false;
  focus = info.hwndFocus;
  return true;
}

struct TFocusQuery {
  std::string WindowClass;
  std::string FocusClass;
  std::string Actual;
};

bool FocusIn(void* context) {
  auto* query = static_cast<TFocusQuery*>(context);
  HWND foreground, focus;
  ForegroundFocus(foreground, focus);
  query->Actual = ClassOf(foreground) + " " + ClassOf(focus);
  return _stricmp(ClassOf(foreground).c_str(), query->WindowClass.c_str()) == 0 &&
         (query->FocusClass == "-" || _stricmp(ClassOf(focus).c_str(), query->FocusClass.c_str()) == 0);
}

int WaitFocus(const char* windowClass, const char* focusClass, DWORD milliseconds) {
  TFocusQuery query{windowClass, focusClass, ""};
  if (!WaitFor(milliseconds, FocusIn, &query)) {
    std::fprintf(stderr, "vktest: foreground and focus are '%s', not '%s %s'\n", query.Actual.c_str(),
                 windowClass, focusClass);
    return 1;
  }
  return 0;
}

int FocusText() {
  HWND foreground, focus;
  if (!ForegroundFocus(foreground, focus) || !focus) return 1;
  std::printf("%s\n", WindowText(focus).c_str());
  return 0;
}

struct TTitleQuery {
  std::string Part;
  bool Found = false;
};

BOOL CALLBACK FindTitle(HWND window, LPARAM parameter) {
  auto* query = reinterpret_cast<TTitleQuery*>(parameter);
  char title[512] = {};
  GetWindowTextA(window, title, sizeof title);
  CharUpperA(title);
  if (IsWindowVisible(window) && std::strstr(title, query->Part.c_str())) {
    query->Found = true;
    return FALSE;
  }
  return TRUE;
}

bool TitleShown(void* context) {
  auto* query = static_cast<TTitleQuery*>(context);
  EnumWindows(FindTitle, reinterpret_cast<LPARAM>(query));
  return query->Found;
}

int WaitTitle(const char* part, DWORD milliseconds) {
  TTitleQuery query;
  query.Part = part;
  CharUpperA(&query.Part[0]);
  if (!WaitFor(milliseconds, TitleShown, &query)) {
    std::fprintf(stderr, "vktest: no window titled with '%s' within %lu ms\n", part, milliseconds);
    return 1;
  }
  return 0;
}

int Clipboard() {
  if (!OpenClipboard(nullptr)) return 1;
  const HANDLE data = GetClipboardData(CF_TEXT);
  const char* text = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
  if (text) std::printf("%s\n", text);
  if (data) GlobalUnlock(data);
  CloseClipboard();
  return text ? 0 : 1;
}

int ClipboardSet(const char* text) {
  if (!OpenClipboard(nullptr)) return 1;
  EmptyClipboard();
  const size_t size = std::strlen(text) + 1;
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(memory), text, size);
  GlobalUnlock(memory);
  SetClipboardData(CF_TEXT, memory);
  CloseClipboard();
  return 0;
}

struct TChildQuery {
  const char* ClassName;
  HWND Found = nullptr;
};

BOOL CALLBACK FindChild(HWND child, LPARAM parameter) {
  auto* query = reinterpret_cast<TChildQuery*>(parameter);
  if (_stricmp(ClassOf(child).c_str(), query->ClassName) != 0) return TRUE;
  query->Found = child;
  return FALSE;
}

int ChildRect(const char* className, const char* childClass) {
  TChildQuery query{childClass};
  EnumChildWindows(RequireWindow(className), FindChild, reinterpret_cast<LPARAM>(&query));
  if (!query.Found) return 1;
  RECT bounds;
  GetWindowRect(query.Found, &bounds);
  std::printf("%ld %ld %ld %ld\n", bounds.left, bounds.top, bounds.right, bounds.bottom);
  return 0;
}

int WorkArea() {
  RECT area;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  std::printf("%ld %ld %ld %ld\n", area.left, area.top, area.right, area.bottom);
  return 0;
}

int DialogEditText(const char* title) {
  const HWND dialog = FindWindowA("#32770", title);
  if (!dialog) {
    std::fprintf(stderr, "vktest: no dialog titled %s\n", title);
    return 1;
  }
  TChildQuery query{"Edit"};
  EnumChildWindows(dialog, FindChild, reinterpret_cast<LPARAM>(&query));
  if (!query.Found) return 1;
  std::printf("%s\n", WindowText(query.Found).c_str());
  return 0;
}

int Modifiers() {
  std::printf("ctrl %d alt %d shift %d\n", GetAsyncKeyState(VK_CONTROL) < 0, GetAsyncKeyState(VK_MENU) < 0,
              GetAsyncKeyState(VK_SHIFT) < 0);
  return 0;
}

int Usage() {
  std::fprintf(stderr, "vktest: see the head of vktest.cpp for the commands\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "focus-text") return FocusText();
  if (command == "clipboard") return Clipboard();
  if (command == "work-area") return WorkArea();
  if (command == "modifiers") return Modifiers();
  if (argc < 3) return Usage();
  if (command == "wait-window" && argc >= 5) return WaitWindow(argv[2], argv[3], std::strtoul(argv[4], nullptr, 0));
  if (command == "wait-control" && argc >= 6) {
    return WaitControl(argv[2], std::atoi(argv[3]), argv[4], std::strtoul(argv[5], nullptr, 0));
  }
  if (command == "window-rect") return WindowRect(argv[2]);
  if ((command == "send" || command == "post") && argc >= 4) return Send(argc, argv);
  if (command == "tray-icon" && argc >= 4) return TrayIcon(argv[2], std::strtoul(argv[3], nullptr, 0));
  if (command == "wait-message-box" && argc >= 4) {
    const std::string answer = argc > 4 ? argv[4] : "";
    const int button = answer == "ok" ? IDOK : answer == "yes" ? IDYES : answer == "no" ? IDNO : 0;
    return WaitMessageBox(argv[2], std::strtoul(argv[3], nullptr, 0), button);
  }
  if (command == "caller" && argc >= 4) {
    RECT bounds = {120, 90, 500, 360};  // left, top, width, height
    if (argc >= 8) bounds = {std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7])};
    return Caller(argv[2], std::strtoul(argv[3], nullptr, 0), bounds);
  }
  if ((command == "reg-dword" || command == "reg-string" || command == "reg-binary") && argc >= 5) {
    return RegistrySet(command, argv[2], argv[3], argv[4]);
  }
  if (command == "reg-delete" && argc >= 4) return RegistryDelete(argv[2], argv[3]);
  if (command == "reg-get" && argc >= 4) return RegistryGet(argv[2], argv[3]);
  if (command == "control-text" && argc >= 4) return ControlText(argv[2], std::atoi(argv[3]));
  if (command == "help-context" && argc >= 4) return HelpContext(argv[2], std::strtoul(argv[3], nullptr, 0));
  if (command == "help-text" && argc >= 4) return HelpText(argv[2], std::strtoul(argv[3], nullptr, 0));
  if (command == "wait-text" && argc >= 6) {
    return WaitText(argv[2], std::atoi(argv[3]), argv[4], std::strtoul(argv[5], nullptr, 0));
  }
  if (command == "wait-focus" && argc >= 5) return WaitFocus(argv[2], argv[3], std::strtoul(argv[4], nullptr, 0));
  if (command == "wait-title") return argc >= 4 ? WaitTitle(argv[2], std::strtoul(argv[3], nullptr, 0)) : Usage();
  if (command == "clipboard-set") return ClipboardSet(argv[2]);
  if (command == "child-rect" && argc >= 4) return ChildRect(argv[2], argv[3]);
  if (command == "dialog-edit-text") return DialogEditText(argv[2]);
  return Usage();
}
