// endsession.exe: ends the programs of a Wine session as the end of a
// Windows session does - every top-level window of every other program is
// asked with WM_QUERYENDSESSION and then told with WM_ENDSESSION - and waits
// until those programs have ended by themselves. Wine's own end of session
// terminates a program as soon as its WM_ENDSESSION handler returns, before
// a program that cleans up after its message loop (Velkoro saves its
// database there) has done so.
//
//   endsession.exe [SECONDS]    at most SECONDS (default 60) for the
//                               programs to end
//
// Exit code: 0 when every program ended, 1 when one refused the end of the
// session (the others are then told that the session goes on), 2 when one
// was still running at the end of the wait.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr UINT kAnswerTimeout = 5000;

struct TProgramWindow {
  HWND Window;
  DWORD ProcessId;
};

struct TWindowQuery {
  DWORD DesktopProcess;
  std::vector<TProgramWindow> Windows;
};

// The desktop process (Wine's explorer) and this program itself go on.
BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  auto& query = *reinterpret_cast<TWindowQuery*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != query.DesktopProcess && process != GetCurrentProcessId()) {
    query.Windows.push_back({window, process});
  }
  return TRUE;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, message, wParam, 0, SMTO_ABORTIFHUNG, kAnswerTimeout, &answer)) {
    return TRUE;  // a window that is gone or hangs does not hold the session up
  }
  return static_cast<LRESULT>(answer);
}

}  // namespace

int main(int argc, char** argv) {
  const DWORD seconds = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 60;
  TWindowQuery query{0, {}};
  GetWindowThreadProcessId(GetDesktopWindow(), &query.DesktopProcess);
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));

  for (const TProgramWindow& program : query.Windows) {
    if (!Ask(program.Window, WM_QUERYENDSESSION, 0)) {
      for (const TProgramWindow& told : query.Windows) Ask(told.Window, WM_ENDSESSION, FALSE);
      std::fprintf(stderr, "endsession: a program refused to end the session\n");
      return 1;
    }
  }
  std::vector<HANDLE> processes;
  for (const TProgramWindow& program : query.Windows) {
    if (const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, program.ProcessId)) processes.push_back(process);
    Ask(program.Window, WM_ENDSESSION, TRUE);
  }

  const DWORD deadline = GetTickCount() + seconds * 1000;
  int result = 0;
  for (HANDLE process : processes) {
    const DWORD now = GetTickCount();
    const DWORD left = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
    if (WaitForSingleObject(process, left) != WAIT_OBJECT_0) result = 2;
    CloseHandle(process);
  }
  if (result) std::fprintf(stderr, "endsession: a program was still running after %lu s\n", seconds);
  return result;
}
