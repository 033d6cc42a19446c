// The splash window in its three roles, on a real window under Wine.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "application.h"
#include "splash.h"
#include "splash_res.h"

namespace {

HWND Splash() { return FindWindowA("TfrmSplash", nullptr); }
HWND Item(int id) { return GetDlgItem(Splash(), id); }
bool Shown(int id) { return IsWindowVisible(Item(id)) != FALSE; }

// Pumps this thread's messages until Condition holds or Milliseconds pass.
template <typename Condition>
bool PumpUntil(DWORD milliseconds, Condition condition) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start >= milliseconds) return false;
    Application.ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

// Answers the next message box captioned Caption with Button, from another
// thread, and keeps its text.
class TMessageBoxAnswer {
 public:
  TMessageBoxAnswer(const char* caption, int button)
      : thread_([this, caption, button] {
          for (int i = 0; i < 500 && !box_; ++i) {
            box_ = FindWindowA("#32770", caption);
            if (!box_) Sleep(10);
          }
          if (!box_) return;
          char buffer[1024] = {};
          GetDlgItemTextA(box_, 0xFFFF, buffer, sizeof buffer);
          text_ = buffer;
          PostMessageA(box_, WM_COMMAND, static_cast<WPARAM>(button), 0);
        }) {}
  ~TMessageBoxAnswer() {
    if (thread_.joinable()) thread_.join();
  }
  const std::string& Text() {
    thread_.join();
    return text_;
  }

 private:
  HWND box_ = nullptr;
  std::string text_;
  std::thread thread_;
};

class SplashTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitCommonControls();
    if (!Application.Handle()) Application.CreateHandle(GetModuleHandleA(nullptr));
    if (!Splash()) CreateSplash(Application.Handle());
  }
  void SetUp() override {
    ASSERT_NE(Splash(), nullptr);
    UserTerminate = false;
  }
  void TearDown() override { CloseSplash(); }
};

TEST_F(SplashTest, TheTemplatePlacesEveryControlAtItsDesignPixels) {
  struct Row {
    int Id;
    RECT Bounds;  // left, top, right, bottom in client pixels
  };
  const Row rows[] = {
      {IDC_SPLASH_LABEL1, {96, 8, 96 + 177, 8 + 33}},
      {IDC_SPLASH_LABEL8, {96, 40, 96 + 53, 40 + 16}},
      {IDC_SPLASH_PROGRESSBAR1, {16, 256 + 32, 16 + 257, 256 + 32 + 25}},
      {IDC_SPLASH_BTNOK, {112, 328, 112 + 75, 328 + 25}},
      {IDC_SPLASH_BTNCANCEL, {112, 328, 112 + 75, 328 + 25}},
  };
  for (const Row& row : rows) {
    RECT bounds;
    GetWindowRect(Item(row.Id), &bounds);
    MapWindowPoints(nullptr, Splash(), reinterpret_cast<POINT*>(&bounds), 2);
    EXPECT_EQ(bounds.left, row.Bounds.left) << "control " << row.Id;
    EXPECT_EQ(bounds.top, row.Bounds.top) << "control " << row.Id;
    EXPECT_EQ(bounds.right, row.Bounds.right) << "control " << row.Id;
    EXPECT_EQ(bounds.bottom, row.Bounds.bottom) << "control " << row.Id;
  }
}

TEST_F(SplashTest, StartupAndScanModesSetThePanelUpAsTheTableSays) {
  struct Row {
    TSplashMode Mode;
    bool Progress, Cancel, Ok;
  };
  for (const Row& row : {Row{smStartup, false, false, false}, Row{smScan, true, true, false}}) {
    ShowSplash(row.Mode);
    EXPECT_TRUE(IsWindowVisible(Splash())) << row.Mode;
    EXPECT_EQ(Shown(IDC_SPLASH_PROGRESSBAR1), row.Progress) << row.Mode;
    EXPECT_EQ(Shown(IDC_SPLASH_LABEL6), row.Progress) << row.Mode;
    EXPECT_EQ(Shown(IDC_SPLASH_BTNCANCEL), row.Cancel) << row.Mode;
    EXPECT_EQ(Shown(IDC_SPLASH_BTNOK), row.Ok) << row.Mode;
    // Border style none: no caption, and the client area keeps its size.
    EXPECT_FALSE(GetWindowLongA(Splash(), GWL_STYLE) & WS_CAPTION) << row.Mode;
    RECT client;
    GetClientRect(Splash(), &client);
    EXPECT_EQ(client.right, 288);
    EXPECT_EQ(client.bottom, 384);
    EXPECT_TRUE(SplashVisible());
  }
  SetSplashProgress(42);
  EXPECT_EQ(SendMessageA(Item(IDC_SPLASH_PROGRESSBAR1), PBM_GETPOS, 0, 0), 42);
}

TEST_F(SplashTest, TheStartupSplashClosesItselfAfterFiveSeconds) {
  const DWORD start = GetTickCount();
  ShowSplash(smStartup);
  ASSERT_TRUE(PumpUntil(10000, [] { return !IsWindowVisible(Splash()); }));
  EXPECT_GE(GetTickCount() - start, 4500u);
}

TEST_F(SplashTest, AScanStartedDuringTheSplashKeepsThePanelUp) {
  ShowSplash(smStartup);
  ShowSplash(smScan);
  EXPECT_FALSE(PumpUntil(6000, [] { return !IsWindowVisible(Splash()); }));
  // A click on the free panel area does nothing while a scan shows.
  SendMessageA(Splash(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 150));
  EXPECT_TRUE(IsWindowVisible(Splash()));
}

TEST_F(SplashTest, AClickOnTheFreeAreaClosesTheStartupSplash) {
  ShowSplash(smStartup);
  SendMessageA(Splash(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 150));
  EXPECT_FALSE(IsWindowVisible(Splash()));
}

TEST_F(SplashTest, CancelAsksFirstAndOnlyYesRequestsTheEndOfTheScan) {
  ShowSplash(smScan);
  {
    TMessageBoxAnswer no("Velkoro", IDNO);
    SendMessageA(Splash(), WM_COMMAND, IDC_SPLASH_BTNCANCEL, 0);
    EXPECT_EQ(no.Text(),
              "Cancelling the scan operation now will shut down Velkoro. Are you sure you wish to continue?");
  }
  EXPECT_FALSE(UserTerminate);
  EXPECT_TRUE(IsWindowVisible(Splash()));
  {
    TMessageBoxAnswer yes("Velkoro", IDYES);
    SendMessageA(Splash(), WM_COMMAND, IDC_SPLASH_BTNCANCEL, 0);  // also what Esc sends
  }
  EXPECT_TRUE(UserTerminate);
  EXPECT_FALSE(IsWindowVisible(Splash()));
}

// The About box is modal: the checks run from a timer inside its loop.
struct TAboutChecks {
  int Tick = 0;
  bool Visible = false, OkShown = false, CancelShown = true, ProgressShown = true;
  bool ToolWindow = false, Caption = false, ClosedByEscape = true, ForcedShut = false;
  char Title[64] = {};
};
TAboutChecks About;

void CALLBACK AboutTick(HWND, UINT, UINT_PTR id, DWORD) {
  const HWND splash = Splash();
  if (++About.Tick == 1) {
    About.Visible = IsWindowVisible(splash) != FALSE;
    About.OkShown = Shown(IDC_SPLASH_BTNOK);
    About.CancelShown = Shown(IDC_SPLASH_BTNCANCEL);
    About.ProgressShown = Shown(IDC_SPLASH_PROGRESSBAR1);
    About.ToolWindow = (GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
    About.Caption = (GetWindowLongA(splash, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
    GetWindowTextA(splash, About.Title, sizeof About.Title);
    SendMessageA(splash, WM_COMMAND, IDCANCEL, 0);  // Esc
  } else if (About.Tick == 2) {
    About.ClosedByEscape = !IsWindowVisible(splash);
    SendMessageA(splash, WM_COMMAND, IDOK, 0);
  } else {
    About.ForcedShut = true;
    ShowWindow(splash, SW_HIDE);
    KillTimer(nullptr, id);
  }
}

TEST_F(SplashTest, TheAboutBoxIsModalAndClosesOnlyByOk) {
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, AboutTick);
  ShowSplash(smAbout);  // returns when the box is closed
  KillTimer(nullptr, timer);
  EXPECT_TRUE(About.Visible);
  EXPECT_TRUE(About.OkShown);
  EXPECT_FALSE(About.CancelShown);
  EXPECT_FALSE(About.ProgressShown);
  EXPECT_TRUE(About.ToolWindow);
  EXPECT_TRUE(About.Caption);
  EXPECT_STREQ(About.Title, "About Velkoro 96");
  EXPECT_FALSE(About.ClosedByEscape);
  EXPECT_FALSE(About.ForcedShut);
  EXPECT_EQ(About.Tick, 2);
}

}  // namespace
