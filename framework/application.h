// The application: its hidden top-level window (the owner of every form and
// the holder of the task-bar entry), its message loop, and the handler for
// exceptions that escape a command or a message handler.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

class TApplication {
 public:
  // Creates the hidden top-level window that owns the forms.
  void CreateHandle(HINSTANCE instance);
  HWND Handle() const { return handle_; }
  HINSTANCE Instance() const { return instance_; }

  std::string Title;
  std::string HelpFile;

  // Shows or hides the task-bar entry.
  void ShowTaskBarEntry(bool show);

  // Runs the message loop until WM_QUIT.
  void Run();
  // Handles every message waiting in this thread's queue and returns. A
  // WM_QUIT met on the way is put back for the main loop.
  void ProcessMessages();
  // Ends the message loop.
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Modeless dialogs get their keyboard navigation from the loop.
  void AddModelessDialog(HWND dialog);

  // The handler for exceptions that escape a command or a message handler;
  // without one the message is shown and the program ends.
  std::function<void(const std::exception&)> OnException;
  void HandleException(const std::exception& exception);

  // The program's way out, which the main routine gives: the forms run it
  // (when the main window goes, and at the end of the session) without
  // standing on the start-up that defines it.
  std::function<void()> OnShutDown;
  void ShutDown() {
    if (OnShutDown) OnShutDown();
  }

 private:
  bool Dispatch(MSG& message);

  HINSTANCE instance_ = nullptr;
  HWND handle_ = nullptr;
  HWND dialogs_[8] = {};
  bool terminated_ = false;
};

extern TApplication Application;

// Runs Handler, passing any exception to the application's handler: no
// exception may unwind through the platform's window-procedure frames.
template <typename Handler>
void Guarded(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& exception) {
    Application.HandleException(exception);
  }
}

// The name of an exception's class, for the top-level error box.
std::string ExceptionClassName(const std::exception& exception);
// The top-level error box: the exception's class name and message, task
// modal, with the stop icon.
void ShowExceptionBox(const std::exception& exception);
