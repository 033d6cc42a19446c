// The search window as it is created: its menus without the hidden items,
// the help contexts of its controls, the grid's columns and its one empty
// row, and the empty status bar.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "application.h"
#include "search_window.h"
#include "search_window_res.h"

namespace {

class SearchWindowFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Application.Handle()) Application.CreateHandle(GetModuleHandleA(nullptr));
    form_ = CreateSearchWindow(Application.Handle());
  }
  static void TearDownTestSuite() {
    // The window's destruction runs the program's shutdown, which has
    // nothing to do here: no database, no icon.
    if (form_) DestroyWindow(form_);
    form_ = nullptr;
    Application.OnException = nullptr;
  }
  static HWND form_;
};
HWND SearchWindowFormTest::form_ = nullptr;

std::string MenuText(HMENU menu, UINT position) {
  char text[64] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

TEST_F(SearchWindowFormTest, MenusHoldTheVisibleItemsOnlyInTheirOrder) {
  ASSERT_NE(form_, nullptr);
  const HMENU menu = GetMenu(form_);
  ASSERT_EQ(GetMenuItemCount(menu), 3) << "the Debug menu is taken out";
  const struct {
    UINT Position;
    const char* Title;
    std::vector<std::string> Items;  // "" for a separator
  } kMenus[] = {
      {0, "&File", {"&Scan Drives", "Set Hot &Key...", "Set Startup &Options...", "", "E&xit"}},
      {1, "&Edit", {"&Copy"}},
      {2, "&Help", {"&Contents", "", "&About"}},
  };
  for (const auto& expected : kMenus) {
    EXPECT_EQ(MenuText(menu, expected.Position), expected.Title);
    const HMENU popup = GetSubMenu(menu, static_cast<int>(expected.Position));
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(expected.Items.size())) << expected.Title;
    for (UINT i = 0; i < expected.Items.size(); ++i) {
      EXPECT_EQ(MenuText(popup, i), expected.Items[i]) << expected.Title << " item " << i;
    }
  }
}

TEST_F(SearchWindowFormTest, ControlsCarryTheirHelpContexts) {
  ASSERT_NE(form_, nullptr);
  EXPECT_EQ(GetWindowContextHelpId(GetDlgItem(form_, IDC_EDIT_SEARCH_FILENAME)), 1u);
  EXPECT_EQ(GetWindowContextHelpId(GetDlgItem(form_, IDC_BTN_FIND)), 2u);
  EXPECT_EQ(GetWindowContextHelpId(GetDlgItem(form_, IDC_GRID_SEARCH_RESULTS)), 3u);
}

TEST_F(SearchWindowFormTest, BeforeTheFirstSearchOneEmptyRowAndNoStatusText) {
  ASSERT_NE(form_, nullptr);
  const HWND grid = GetDlgItem(form_, IDC_GRID_SEARCH_RESULTS);
  EXPECT_EQ(SendMessageA(grid, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageA(grid, LVM_GETCOLUMNWIDTH, 0, 0), 160);
  // The column rule: the second column takes the rest of the client width, less 1.
  RECT client;
  GetClientRect(grid, &client);
  EXPECT_EQ(SendMessageA(grid, LVM_GETCOLUMNWIDTH, 1, 0), client.right - 160 - 1);
  char status[64] = "unset";
  GetWindowTextA(GetDlgItem(form_, IDC_STATUS_BAR), status, sizeof status);
  EXPECT_STREQ(status, "");
  RECT bounds;
  GetWindowRect(form_, &bounds);
  EXPECT_EQ(bounds.left, 304);
  EXPECT_EQ(bounds.top, 162);
  EXPECT_EQ(bounds.right - bounds.left, 486);
  EXPECT_EQ(bounds.bottom - bounds.top, 399);
}

}  // namespace
