#include "startup_options.h"

#include <string>

#include "application.h"
#include "forms.h"
#include "help.h"
#include "help_contexts.h"
#include "modal_form.h"
#include "settings_store.h"
#include "startup_options_res.h"

const char* const kLogOnRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kLogOnEntryName = "$$VELKORO";

namespace {

constexpr char kProgramFileName[] = "Velkoro.exe";

// The values of "StartupOptions".
constexpr int kStartAutomatically = 1;
constexpr int kStartWithoutReSync = 2;
constexpr int kDoNotStartAutomatically = 3;

struct TChoice {
  int Button;
  int Value;
};
constexpr TChoice kChoices[] = {{IDC_STARTUP_RADIOBUTTON1, kStartAutomatically},
                                {IDC_STARTUP_RADIOBUTTON2, kStartWithoutReSync},
                                {IDC_STARTUP_RADIOBUTTON3, kDoNotStartAutomatically}};

HWND Dialog = nullptr;

// The log-on key, open for as long as the object lives.
class TLogOnKey {
 public:
  TLogOnKey() {
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kLogOnRunKey, &handle_) != ERROR_SUCCESS) handle_ = nullptr;
  }
  ~TLogOnKey() {
    if (handle_) RegCloseKey(handle_);
  }
  TLogOnKey(const TLogOnKey&) = delete;
  TLogOnKey& operator=(const TLogOnKey&) = delete;
  bool Opened() const { return handle_ != nullptr; }
  HKEY Handle() const { return handle_; }

 private:
  HKEY handle_ = nullptr;
};

bool Checked(int button) { return IsDlgButtonChecked(Dialog, button) == BST_CHECKED; }

// The command that starts the program: the program file in the working
// directory, which start-up made the installation directory. A root
// directory already ends in its separator.
std::string ProgramCommandLine() {
  char directory[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
  std::string command(directory, length < sizeof directory ? length : 0);
  if (command.empty() || command.back() != '\\') command += '\\';
  return command + kProgramFileName;
}

void WriteLogOnEntry(const TLogOnKey& key) {
  const std::string command = ProgramCommandLine();
  RegSetValueExA(key.Handle(), kLogOnEntryName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>(command.size() + 1));
}

void DeleteLogOnEntry(const TLogOnKey& key) { RegDeleteValueA(key.Handle(), kLogOnEntryName); }

void CloseDialog() { ShowWindow(Dialog, SW_HIDE); }

void FormCreate(HWND window) {
  Dialog = window;
  ApplyPixelLayout(window);
  ApplyHelpContexts(window, IDD_STARTUP_OPTIONS);
  CentreOnScreen(window);
  const int stored = ReadRegInteger(kSettingsKey, "StartupOptions");
  for (const TChoice& choice : kChoices) {
    CheckDlgButton(window, choice.Button, choice.Value == stored ? BST_CHECKED : BST_UNCHECKED);
  }
}

// Without the log-on key nothing can start the program at log-on, and the
// choice stored is 1 whatever was checked. The results of writing and
// deleting the entry are not looked at.
void btnOKClick() {
  int choice = kStartAutomatically;
  const TLogOnKey key;
  if (key.Opened()) {
    if (Checked(IDC_STARTUP_RADIOBUTTON1)) {
      WriteLogOnEntry(key);
      choice = kStartAutomatically;
    } else if (Checked(IDC_STARTUP_RADIOBUTTON2)) {
      WriteLogOnEntry(key);
      choice = kStartWithoutReSync;
    } else if (Checked(IDC_STARTUP_RADIOBUTTON3)) {
      DeleteLogOnEntry(key);
      choice = kDoNotStartAutomatically;
    }
  }
  WriteRegInteger(kSettingsKey, "StartupOptions", choice);
  CloseDialog();
}

// The buttons keep what was clicked: the next opening shows it again,
// although nothing was stored.
void btnCancelClick() { CloseDialog(); }

void Command(WORD id) {
  if (id == IDC_STARTUP_BTNOK) btnOKClick();
  if (id == IDC_STARTUP_BTNCANCEL) btnCancelClick();
}

INT_PTR CALLBACK StartupFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR handled = TRUE;
  Guarded([&] {
    switch (message) {
      case WM_INITDIALOG: FormCreate(window); break;
      case WM_DESTROY: Dialog = nullptr; break;
      case WM_COMMAND: Command(LOWORD(wParam)); break;
      case WM_CLOSE: btnCancelClick(); break;
      case WM_HELP: ShowControlHelp(window, *reinterpret_cast<const HELPINFO*>(lParam)); break;
      default: handled = FALSE;
    }
  });
  return handled;
}

}  // namespace

HWND CreateStartupOptionsDialog(HWND owner) {
  RegisterFormClass("TStartupForm");
  return CreateForm(IDD_STARTUP_OPTIONS, owner, StartupFormProc);
}

// The focus starts on OK: focusing a radio button of the group could check
// it, and the dialog shows the buttons exactly as they were left.
void ShowStartupOptionsDialog() { ShowModalForm(Dialog, GetDlgItem(Dialog, IDC_STARTUP_BTNOK)); }
