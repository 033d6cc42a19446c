// The start-up options dialog against Wine's real registry: the setting
// "StartupOptions" and the log-on entry "$$VELKORO" under HKEY_LOCAL_MACHINE.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "application.h"
#include "registry_key_snapshot.h"
#include "startup_options.h"
#include "startup_options_res.h"

namespace {

const char kSettingsPath[] = "Velkoro\\Settings";
const char kRunPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kInstallation[] = "C:\\UTIL";
const std::string kCommandLine = "C:\\UTIL\\Velkoro.exe";

constexpr int kNone = 0;
constexpr int kRadio[] = {kNone, IDC_STARTUP_RADIOBUTTON1, IDC_STARTUP_RADIOBUTTON2, IDC_STARTUP_RADIOBUTTON3};

HWND Dialog() { return FindWindowA("TStartupForm", nullptr); }

void Click(int id) { SendMessageA(GetDlgItem(Dialog(), id), BM_CLICK, 0, 0); }

// The checked radio button, by number (1 to 3), or 0 for none.
int CheckedButton() {
  int checked = 0;
  for (int button = 1; button <= 3; ++button) {
    if (IsDlgButtonChecked(Dialog(), kRadio[button]) == BST_CHECKED) checked = checked ? -1 : button;
  }
  return checked;
}

void SetDword(HKEY root, const char* path, const char* name, DWORD value) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

DWORD StoredOption() {
  DWORD value = 0, size = sizeof value;
  SHGetValueA(HKEY_CLASSES_ROOT, kSettingsPath, "StartupOptions", nullptr, &value, &size);
  return value;
}

struct TLogOnEntry {
  bool Exists = false;
  DWORD Type = 0;
  DWORD Size = 0;
  std::string Text;
};

TLogOnEntry ReadLogOnEntry() {
  TLogOnEntry entry;
  char data[512] = {};
  DWORD size = sizeof data;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return entry;
  entry.Exists = RegQueryValueExA(key, "$$VELKORO", nullptr, &entry.Type, reinterpret_cast<BYTE*>(data),
                                  &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  entry.Size = size;
  entry.Text = data;
  return entry;
}

enum TRunKeyState { kEntryAbsent, kEntryPresent, kKeyMissing };
enum TEntryOutcome { kWritten, kDeleted, kUntouched };

bool RunKeyExists() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void PrepareRunKey(TRunKeyState state) {
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kRunPath);
  if (state == kKeyMissing) return;
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (state == kEntryPresent) {
    const char old[] = "D:\\OLD\\Velkoro.exe";
    RegSetValueExA(key, "$$VELKORO", 0, REG_SZ, reinterpret_cast<const BYTE*>(old), sizeof old);
  }
  RegCloseKey(key);
}

class StartupOptionsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Application.Handle()) Application.CreateHandle(GetModuleHandleA(nullptr));
  }
  void SetUp() override {
    CreateDirectoryA(kInstallation, nullptr);
    GetCurrentDirectoryA(sizeof previousDirectory_, previousDirectory_);
    ASSERT_TRUE(SetCurrentDirectoryA(kInstallation));
    Application.OnException = [this](const std::exception& exception) { errors_ += exception.what(); };
  }
  void TearDown() override {
    if (Dialog()) DestroyWindow(Dialog());
    Application.OnException = nullptr;
    SetCurrentDirectoryA(previousDirectory_);
    RemoveDirectoryA(kInstallation);
  }
  // The dialog as the program creates it at start, with Stored in the
  // setting (the dialog reads it only then).
  void CreateWithStoredOption(DWORD stored) {
    SetDword(HKEY_CLASSES_ROOT, kSettingsPath, "StartupOptions", stored);
    if (Dialog()) DestroyWindow(Dialog());
    ASSERT_NE(CreateStartupOptionsDialog(Application.Handle()), nullptr);
  }

  TRegistryKeySnapshot settings_{HKEY_CLASSES_ROOT, kSettingsPath};
  TRegistryKeySnapshot run_{HKEY_LOCAL_MACHINE, kRunPath};
  char previousDirectory_[MAX_PATH] = {};
  std::string errors_;
};

TEST_F(StartupOptionsTest, OkStoresTheChoiceAndKeepsTheLogOnEntryInStep) {
  const struct {
    DWORD Stored;       // "StartupOptions" when the program started
    int CheckedAtStart;  // radio button checked by FormCreate (0: none)
    int Click;          // radio button clicked before OK (0: none)
    TRunKeyState RunKey;
    DWORD ExpectedOption;
    TEntryOutcome ExpectedEntry;
  } rows[] = {
      {1, 1, 0, kEntryAbsent, 1, kWritten},
      {2, 2, 0, kEntryAbsent, 2, kWritten},
      {3, 3, 0, kEntryPresent, 3, kDeleted},
      // No entry to delete: the delete fails silently and 3 is stored.
      {3, 3, 0, kEntryAbsent, 3, kDeleted},
      // Nothing checked: the entry is left alone and 1 is stored.
      {0, 0, 0, kEntryPresent, 1, kUntouched},
      {0, 0, 0, kEntryAbsent, 1, kUntouched},
      {7, 0, 0, kEntryAbsent, 1, kUntouched},
      {1, 1, 3, kEntryPresent, 3, kDeleted},
      {3, 3, 2, kEntryPresent, 2, kWritten},
      {0, 0, 1, kEntryAbsent, 1, kWritten},
      // Without the log-on key nothing is written and 1 is stored.
      {2, 2, 3, kKeyMissing, 1, kUntouched},
      {3, 3, 0, kKeyMissing, 1, kUntouched},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("stored " + std::to_string(row.Stored) + ", clicked " + std::to_string(row.Click) +
                 ", run key state " + std::to_string(row.RunKey));
    PrepareRunKey(row.RunKey);
    const TLogOnEntry before = ReadLogOnEntry();
    CreateWithStoredOption(row.Stored);
    EXPECT_EQ(CheckedButton(), row.CheckedAtStart);
    if (row.Click) Click(kRadio[row.Click]);
    Click(IDC_STARTUP_BTNOK);

    EXPECT_EQ(StoredOption(), row.ExpectedOption);
    const TLogOnEntry after = ReadLogOnEntry();
    switch (row.ExpectedEntry) {
      case kWritten:
        ASSERT_TRUE(after.Exists);
        EXPECT_EQ(after.Type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(after.Text, kCommandLine);
        // The terminating zero is part of the data.
        EXPECT_EQ(after.Size, kCommandLine.size() + 1);
        break;
      case kDeleted: EXPECT_FALSE(after.Exists); break;
      case kUntouched:
        EXPECT_EQ(after.Exists, before.Exists);
        EXPECT_EQ(after.Text, before.Text);
        break;
    }
    EXPECT_EQ(RunKeyExists(), row.RunKey != kKeyMissing);
    EXPECT_FALSE(IsWindowVisible(Dialog()));
  }
  EXPECT_EQ(errors_, "");
}

TEST_F(StartupOptionsTest, CancelStoresNothingAndTheClickedButtonStaysForTheNextOpening) {
  PrepareRunKey(kEntryPresent);
  CreateWithStoredOption(1);
  Click(IDC_STARTUP_RADIOBUTTON3);
  Click(IDC_STARTUP_BTNCANCEL);
  EXPECT_FALSE(IsWindowVisible(Dialog()));
  EXPECT_EQ(StoredOption(), 1u);
  EXPECT_EQ(ReadLogOnEntry().Text, "D:\\OLD\\Velkoro.exe");

  // The stored value is not read again: the dialog shows what was left.
  SetDword(HKEY_CLASSES_ROOT, kSettingsPath, "StartupOptions", 2);
  EXPECT_EQ(CheckedButton(), 3);
  Click(IDC_STARTUP_BTNOK);
  EXPECT_EQ(StoredOption(), 3u);
  EXPECT_FALSE(ReadLogOnEntry().Exists);
  EXPECT_EQ(errors_, "");
}

TEST_F(StartupOptionsTest, EachControlCarriesItsHelpContext) {
  CreateWithStoredOption(1);
  const struct {
    int Control;
    DWORD Context;
  } rows[] = {{IDC_STARTUP_RADIOBUTTON1, 30}, {IDC_STARTUP_RADIOBUTTON2, 31}, {IDC_STARTUP_RADIOBUTTON3, 32},
              {IDC_STARTUP_BTNOK, 33},        {IDC_STARTUP_BTNCANCEL, 34}};
  for (const auto& row : rows) {
    EXPECT_EQ(GetWindowContextHelpId(GetDlgItem(Dialog(), row.Control)), row.Context) << row.Control;
  }
}

TEST_F(StartupOptionsTest, AMissingSettingAtCreationGoesToTheApplicationsHandler) {
  CreateWithStoredOption(1);
  DestroyWindow(Dialog());
  SHDeleteValueA(HKEY_CLASSES_ROOT, kSettingsPath, "StartupOptions");
  CreateStartupOptionsDialog(Application.Handle());
  EXPECT_NE(errors_.find("'StartupOptions'"), std::string::npos) << errors_;
  EXPECT_EQ(CheckedButton(), 0);
}

}  // namespace
