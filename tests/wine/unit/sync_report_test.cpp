// The synchronization report on a real window under Wine: its menu, its
// resizing rule, its file and its commands.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "application.h"
#include "splash.h"
#include "sync_report.h"
#include "sync_report_res.h"

namespace {

HWND Report() { return FindWindowA("TfrmSync", nullptr); }
HWND Item(int id) { return GetDlgItem(Report(), id); }
void Command(int id) { SendMessageA(Report(), WM_COMMAND, static_cast<WPARAM>(id), 0); }

RECT ClientBounds(HWND control) {
  RECT bounds;
  GetWindowRect(control, &bounds);
  MapWindowPoints(nullptr, Report(), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class SyncReportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitCommonControls();
    if (!Application.Handle()) Application.CreateHandle(GetModuleHandleA(nullptr));
  }
  void SetUp() override {
    ASSERT_NE(CreateSyncReport(Application.Handle()), nullptr);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    folder_ = std::string(temp) + "vk_sync_report_test";
    CreateDirectoryA(folder_.c_str(), nullptr);
    GetCurrentDirectoryA(sizeof previousDirectory_, previousDirectory_);
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
    Application.OnException = [this](const std::exception& exception) { errors_ += exception.what(); };
  }
  void TearDown() override {
    DestroyWindow(Report());
    Application.OnException = nullptr;
    SetCurrentDirectoryA(previousDirectory_);
    DeleteFileA((folder_ + "\\synclog.dat").c_str());
    RemoveDirectoryA((folder_ + "\\synclog.dat").c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  void AddLine(const char* text) {
    SendMessageA(Item(IDC_SYNC_LISTBOX1), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }

  std::string folder_;
  char previousDirectory_[MAX_PATH] = {};
  std::string errors_;
};

TEST_F(SyncReportTest, TheListAndTheBarFollowTheOuterSizeAndStayInPlace) {
  // As created: the outer size and the places and sizes of the layout.
  RECT created;
  GetWindowRect(Report(), &created);
  EXPECT_EQ(created.right - created.left, 434);
  EXPECT_EQ(created.bottom - created.top, 319);
  const RECT createdList = ClientBounds(Item(IDC_SYNC_LISTBOX1));
  EXPECT_EQ(createdList.right - createdList.left, 409);
  EXPECT_EQ(createdList.bottom - createdList.top, 225);

  const struct {
    int Width, Height;
  } sizes[] = {{700, 520}, {300, 200}, {434, 319}};
  for (const auto& size : sizes) {
    SetWindowPos(Report(), nullptr, 0, 0, size.Width, size.Height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT outer;
    GetWindowRect(Report(), &outer);
    ASSERT_EQ(outer.right - outer.left, size.Width);
    const RECT list = ClientBounds(Item(IDC_SYNC_LISTBOX1));
    const RECT bar = ClientBounds(Item(IDC_SYNC_PROGRESSBAR1));
    EXPECT_EQ(list.right - list.left, size.Width - 26) << size.Width;
    EXPECT_EQ(list.bottom - list.top, size.Height - 94) << size.Height;
    EXPECT_EQ(bar.right - bar.left, size.Width - 138) << size.Width;
    EXPECT_EQ(list.left, 8);
    EXPECT_EQ(list.top, 40);
    EXPECT_EQ(bar.left, 120);
    EXPECT_EQ(bar.top, 8);
  }
  EXPECT_EQ(SendMessageA(Item(IDC_SYNC_LISTBOX1), LB_GETITEMHEIGHT, 0, 0), 16);
}

TEST_F(SyncReportTest, SaveToDiskReplacesSynclogWithOneCrLfLinePerItem) {
  std::ofstream("synclog.dat", std::ios::binary) << "an earlier, longer report that must not survive\r\n";
  AddLine("C:\\WINDOWS\\WIN.INI");
  AddLine("");
  AddLine("second  line ");
  Command(IDM_SYNC_SAVE_TO_DISK);
  EXPECT_EQ(FileText("synclog.dat"), "C:\\WINDOWS\\WIN.INI\r\n\r\nsecond  line \r\n");

  // An empty report leaves an empty file.
  SendMessageA(Item(IDC_SYNC_LISTBOX1), LB_RESETCONTENT, 0, 0);
  Command(IDM_SYNC_SAVE_TO_DISK);
  EXPECT_EQ(FileText("synclog.dat"), "");
  EXPECT_EQ(errors_, "");
}

TEST_F(SyncReportTest, AFileThatCannotBeCreatedIsReportedByName) {
  ASSERT_TRUE(CreateDirectoryA("synclog.dat", nullptr));
  AddLine("one");
  Command(IDM_SYNC_SAVE_TO_DISK);
  EXPECT_EQ(errors_, "Cannot create file synclog.dat");
}

TEST_F(SyncReportTest, CancelAsksTheScanToStopAndExitHidesKeepingTheLines) {
  UserTerminate = false;
  Command(IDM_SYNC_CANCEL);
  EXPECT_TRUE(UserTerminate);
  UserTerminate = false;

  ShowWindow(Report(), SW_SHOWNA);
  AddLine("kept");
  Command(IDM_SYNC_EXIT);
  EXPECT_FALSE(IsWindowVisible(Report()));
  EXPECT_EQ(SendMessageA(Item(IDC_SYNC_LISTBOX1), LB_GETCOUNT, 0, 0), 1);
}

TEST_F(SyncReportTest, TheMenuHasItsTwoMenusAndThreeCommands) {
  char caption[64] = {};
  GetWindowTextA(Report(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Synchronization Report");
  const HMENU menu = GetMenu(Report());
  ASSERT_NE(menu, nullptr);
  const struct {
    int Menu, Item;
    UINT Command;
    const char* Text;
  } rows[] = {{0, 0, IDM_SYNC_CANCEL, "&Cancel"}, {0, 1, IDM_SYNC_EXIT, "E&xit"},
              {1, 0, IDM_SYNC_SAVE_TO_DISK, "&Save to disk ..."}};
  char text[64] = {};
  GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "&File");
  GetMenuStringA(menu, 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "&Debug");
  for (const auto& row : rows) {
    const HMENU popup = GetSubMenu(menu, row.Menu);
    EXPECT_EQ(GetMenuItemID(popup, row.Item), row.Command);
    GetMenuStringA(popup, row.Item, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, row.Text);
  }
}

}  // namespace
