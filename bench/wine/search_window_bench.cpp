// window_bench.exe: the search window's own cost, measured inside the
// program under Wine, with 1,000,000 names loaded from a generated
// memdb.dat. Run by bench/run-window-bench.sh, which prepares the prefix.
//
//   window_bench [--rounds=N]       default 9
//
// For each pattern it times the Find command to the end of the grid's first
// paint, and the Search call inside it; the window's share is the
// difference. At a million rows it times moving the selection (Down, End, a
// click) and scrolling to the last row with its paint. Prints one FIGURE
// line per figure (bench_figures.h); exits with 1 when a figure misses its
// target, 2 when the benchmark cannot run.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "application.h"
#include "bench_figures.h"
#include "memory_db.h"
#include "program_state.h"
#include "search_form.h"
#include "search_window.h"
#include "search_window_res.h"
#include "tree_generator.h"
#include "win32_database_host.h"

namespace {

constexpr size_t kFiles = 1000000;
constexpr size_t kDirectories = 100000;
constexpr uint32_t kSeed = 1996;
constexpr char kDatabaseFile[] = "memdb-window.dat";
constexpr double kShareTargetMs = 50;
constexpr double kShareGrowthTarget = 1.5;
constexpr double kSelectionTargetMs = 20;
constexpr double kScrollToEndTargetMs = 50;

struct TPattern {
  const char* Name;
  const char* Text;
};
constexpr TPattern kPatterns[] = {
    {"txt", "*.TXT"},
    {"nothing", "ZQXJ*.NONE"},
    {"all", "*"},
};

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool LoadGeneratedDatabase() {
  TDatabaseHost& host = Win32DatabaseHost();
  {
    TMemoryDB generated(host);
    const double start = Now();
    GenerateTree(generated, kFiles, kDirectories, kSeed);
    generated.FileName = kDatabaseFile;
    if (!generated.SaveToFile()) {
      std::fprintf(stderr, "SaveToFile failed (is there a key Velkoro\\Settings?)\n");
      return false;
    }
    std::printf("generated and saved %zu files in %zu directories in %.2f s\n", kFiles, kDirectories,
                Now() - start);
  }
  Database = std::make_unique<TMemoryDB>(host);
  const double start = Now();
  const bool loaded = Database->LoadFromFile(kDatabaseFile);
  DeleteFileA(kDatabaseFile);
  if (!loaded) {
    std::fprintf(stderr, "LoadFromFile refused %s\n", kDatabaseFile);
    return false;
  }
  std::printf("loaded %s in %.2f s\n", kDatabaseFile, Now() - start);
  std::fflush(stdout);
  return true;
}

// Seconds from Action to the end of the grid's paint that it caused.
double TimeToPaint(HWND grid, const std::function<void()>& action) {
  PumpMessages();
  const double start = Now();
  action();
  UpdateWindow(grid);
  GdiFlush();
  return Now() - start;
}

double Milliseconds(const std::vector<double>& seconds) { return Median(seconds) * 1e3; }

// The grid's paint alone, of every row on its page, after each pattern: the
// part of the window's share that grows with the rows on the page.
void MeasureRepaints(HWND form, HWND grid, int rounds) {
  for (const TPattern& pattern : kPatterns) {
    SetDlgItemTextA(form, IDC_EDIT_SEARCH_FILENAME, pattern.Text);
    SendMessageA(form, WM_COMMAND, IDC_BTN_FIND, 0);
    UpdateWindow(grid);
    std::vector<double> samples;
    for (int round = 0; round < rounds; ++round) {
      samples.push_back(TimeToPaint(grid, [&] { InvalidateRect(grid, nullptr, FALSE); }));
    }
    RecordFigure(std::string("grid_paint_") + pattern.Name, Milliseconds(samples), "ms", 0);
  }
}

struct TSearchFigures {
  std::vector<double> Totals, Searches, Shares;
  int Rows = 0;
};

// The patterns take turns, round by round, so that other work on the
// machine weighs on each of them alike. Each measured search follows an
// unmeasured one of the same pattern: the grid's change from no rows to a
// scroll bar's worth, a one-off that every first search after a change of
// kind pays, is left out, and the search is timed as it is repeated.
void MeasureSearches(HWND form, HWND grid, int rounds, TSearchFigures (&figures)[3]) {
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < 3; ++i) {
      SetDlgItemTextA(form, IDC_EDIT_SEARCH_FILENAME, kPatterns[i].Text);
      SendMessageA(form, WM_COMMAND, IDC_BTN_FIND, 0);
      UpdateWindow(grid);
      const double total = TimeToPaint(grid, [&] { SendMessageA(form, WM_COMMAND, IDC_BTN_FIND, 0); });
      const double search = Formui().LastSearchSeconds;
      figures[i].Totals.push_back(total);
      figures[i].Searches.push_back(search);
      figures[i].Shares.push_back(total - search);
      figures[i].Rows = Database->ResultCount();
    }
  }
}

double MeasureKey(HWND grid, WPARAM key, int rounds, WPARAM resetKey, bool paint) {
  std::vector<double> samples;
  for (int round = 0; round < rounds; ++round) {
    SendMessageA(grid, WM_KEYDOWN, resetKey, 0);
    UpdateWindow(grid);
    if (paint) {
      samples.push_back(TimeToPaint(grid, [&] { SendMessageA(grid, WM_KEYDOWN, key, 0); }));
    } else {
      PumpMessages();
      const double start = Now();
      SendMessageA(grid, WM_KEYDOWN, key, 0);
      samples.push_back(Now() - start);
    }
  }
  return Milliseconds(samples);
}

double MeasureClick(HWND grid, int rounds) {
  RECT client;
  GetClientRect(grid, &client);
  std::vector<double> samples;
  for (int round = 0; round < rounds; ++round) {
    // Alternate between two rows, so that every click moves the selection.
    const int y = (round % 2 ? client.bottom / 2 : client.bottom / 3);
    const LPARAM point = MAKELPARAM(40, y);
    samples.push_back(TimeToPaint(grid, [&] {
      SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, point);
      SendMessageA(grid, WM_LBUTTONUP, 0, point);
    }));
  }
  return Milliseconds(samples);
}

bool Run(int rounds) {
  Application.Title = "Velkoro 96";
  Application.CreateHandle(GetModuleHandleA(nullptr));
  if (!LoadGeneratedDatabase()) return false;
  const HWND form = CreateSearchWindow(Application.Handle());
  if (!form) {
    std::fprintf(stderr, "the search window could not be created\n");
    return false;
  }
  ShowWindow(form, SW_SHOW);
  SetForegroundWindow(form);
  UpdateWindow(form);
  PumpMessages();
  const HWND grid = GetDlgItem(form, IDC_GRID_SEARCH_RESULTS);

  // Every pattern once before the measured rounds: the first paints fill
  // the platform's font and glyph caches.
  for (const TPattern& pattern : kPatterns) {
    SetDlgItemTextA(form, IDC_EDIT_SEARCH_FILENAME, pattern.Text);
    SendMessageA(form, WM_COMMAND, IDC_BTN_FIND, 0);
    UpdateWindow(grid);
    PumpMessages();
  }
  TSearchFigures figures[3];
  MeasureSearches(form, grid, rounds, figures);
  for (int i = 0; i < 3; ++i) {
    const std::string name = kPatterns[i].Name;
    const double total = Milliseconds(figures[i].Totals);
    const double search = Milliseconds(figures[i].Searches);
    const double share = Milliseconds(figures[i].Shares);
    std::printf("%-11s %8d rows: Find to painted %8.2f ms, Search %8.2f ms, window %6.2f ms\n",
                kPatterns[i].Text, figures[i].Rows, total, search, share);
    RecordFigure("find_to_paint_" + name, total, "ms", 0);
    RecordFigure("search_" + name, search, "ms", 0);
    RecordFigure("window_share_" + name, share, "ms", kShareTargetMs);
  }
  const double nothingShare = Milliseconds(figures[1].Shares);
  RecordFigure("window_share_all_over_nothing",
               nothingShare > 0 ? Milliseconds(figures[2].Shares) / nothingShare : 0, "x", kShareGrowthTarget);

  MeasureRepaints(form, grid, rounds);

  // A million rows in the grid for what follows.
  SetDlgItemTextA(form, IDC_EDIT_SEARCH_FILENAME, "*");
  SendMessageA(form, WM_COMMAND, IDC_BTN_FIND, 0);
  UpdateWindow(grid);
  RecordFigure("select_down", MeasureKey(grid, VK_DOWN, rounds, VK_HOME, true), "ms", kSelectionTargetMs);
  RecordFigure("select_end", MeasureKey(grid, VK_END, rounds, VK_HOME, false), "ms", kSelectionTargetMs);
  RecordFigure("scroll_to_end_painted", MeasureKey(grid, VK_END, rounds, VK_HOME, true), "ms",
               kScrollToEndTargetMs);
  RecordFigure("select_click", MeasureClick(grid, rounds), "ms", kSelectionTargetMs);

  SkipDatabaseSave = true;
  DestroyWindow(form);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 9;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rounds=", 9) == 0 && std::atoi(argv[i] + 9) > 0) {
      rounds = std::atoi(argv[i] + 9);
    } else {
      std::fprintf(stderr, "usage: window_bench [--rounds=N]\n");
      return 2;
    }
  }
  const bool ran = Run(rounds);
  const bool met = PrintFigures();
  if (!ran) return 2;
  return met ? 0 : 1;
}
