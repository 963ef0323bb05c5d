// Record list boxes over a SQLite file: opening a box over 10,000 rows and painting its
// first page against walking the same rows with the record list alone (to stay within
// 2x); painting a page of rows the cache has cut down (rows read again, wait-cursor
// changes); and a close posted while a box fetches 100,000 rows (to be handled within
// 100 ms).
// Arguments: the Unix path of the file (default /tmp/vorn_reclistbox_bench.db).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "bench_table.h"
#include "data/core/strings.h"
#include "data/core/waitcursor.h"
#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/db/reccache.h"
#include "data/db/reclist.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/basedlg.h"
#include "forms/dlgtemplate.h"
#include "forms/reclistbox.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"

namespace {

const int TableRows = 100000;

using TClock = std::chrono::steady_clock;

std::string Where(int rows) { return "WHERE ID < " + std::to_string(rows) + " ORDER BY ID"; }

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// A dialog with one owner-data list view; its notifications go to the registered box, and
// it releases its box when it is destroyed.
class TBenchDlg : public TBaseDlg {
public:
  TBenchDlg() { DialogProc = Proc; }
  INT_PTR OnClose(HWND window, UINT, WPARAM, LPARAM) override {
    DestroyWindow(window);
    return TRUE;
  }
  INT_PTR OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    ReleaseRecListBox(box);
    box = nullptr;
    return TBaseDlg::OnDestroy(window, message, wParam, lParam);
  }
  TRecListBox* box = nullptr;

private:
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (TRecListBox* box = TRecListBoxRegistry::Find(header->hwndFrom)) return box->HandleNotify(header);
    }
    TBaseDlg* dialog;
    bool handled;
    return DispatchBaseDlgMessage(&dialog, window, message, wParam, lParam, &handled);
  }
};

HGLOBAL DialogTemplate() {
  HGLOBAL block = nullptr;
  WORD size = 0;
  CreateDlgTemplate(&block, &size, WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT, 0, 0, 10, 10, "", "",
                    "Bench", 8, "MS Sans Serif");
  AddDlgTemplateItem(block, &size, "SysListView32", "", 14000, 4, 4, 292, 200, 0x0083100D);
  SetDlgTemplateXYWH(block, 0, 0, 300, 210);
  return block;
}

// Times of the steps of opening a box, in milliseconds.
struct TOpenTimes {
  double dialog;  // the dialog with its empty list view
  double box;     // the query, the box with every row fetched
  double paint;   // the first page painted
};

// Opens a dialog with a box over the rows and paints its first page.
TOpenTimes OpenBox(HGLOBAL block, int rows, TBenchDlg** dialog, HWND* window) {
  TOpenTimes times;
  *dialog = new TBenchDlg;
  auto start = TClock::now();
  *window = AppWindowManager.CreateModelessIndirect(*dialog, block, MainWindow, 0);
  UpdateWindow(*window);
  times.dialog = Ms(start);
  start = TClock::now();
  auto* list = new TDBRecList("BENCH");
  list->SelectWhere(Where(rows).c_str(), "", nullptr);
  (*dialog)->box = new TViewRecListBox(GetDlgItem(*window, 14000), nullptr, nullptr, list);
  times.box = Ms(start);
  start = TClock::now();
  UpdateWindow(GetDlgItem(*window, 14000));
  times.paint = Ms(start);
  return times;
}

double WalkList(int rows) {
  auto start = TClock::now();
  TDBRecList list("BENCH");
  list.SelectWhere(Where(rows).c_str(), "", nullptr);
  for (int i = 0; list.GetRecord(i); ++i) {
  }
  return Ms(start);
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "/tmp/vorn_reclistbox_bench.db";
  INITCOMMONCONTROLSEX controls{sizeof controls, 0x5FF};
  InitCommonControlsEx(&controls);
  OdbcEnvironment = new TOdbcEnv;
  DatabaseName[0] = '\0';
  TOdbcConnection* connection = new TOdbcConnection(OdbcEnvironment);
  if (!ConnectBenchFile(*connection, path, ODBC_KEEP_AUTOCOMMIT) || !KeepOrFillBenchTable(*connection, TableRows))
    return 1;
  BuildBenchModel(true);
  RecListCacheSize = 1024;
  AllocRecListCache();
  HGLOBAL block = DialogTemplate();

  // 1. Opening a box over 10,000 rows against the record list alone, best of three each.
  double walk = 1e18;
  TOpenTimes best{1e18, 1e18, 1e18};
  double close = 1e18;
  for (int round = 0; round < 5; ++round) {
    walk = std::min(walk, WalkList(10000));
    TBenchDlg* dialog;
    HWND window;
    TOpenTimes times = OpenBox(block, 10000, &dialog, &window);
    best.dialog = std::min(best.dialog, times.dialog);
    best.box = std::min(best.box, times.box);
    best.paint = std::min(best.paint, times.paint);
    auto start = TClock::now();
    ReleaseRecListBox(dialog->box);
    dialog->box = nullptr;
    const double release = Ms(start);
    start = TClock::now();
    DestroyWindow(window);
    close = std::min(close, Ms(start));
    if (round == 0) printf("box released in %.1f ms\n", release);
    if (round == 0) {
      // The fixed cost of a box: its columns on the list view, an empty query.
      TBenchDlg* empty;
      HWND emptyWindow;
      TOpenTimes fixed = OpenBox(block, 0, &empty, &emptyWindow);
      printf("a box over no rows: %.1f ms, its paint %.1f ms\n", fixed.box, fixed.paint);
      auto windowless = TClock::now();
      auto* list = new TDBRecList("BENCH");
      list->SelectWhere(Where(10000).c_str(), "", nullptr);
      auto* bare = new TViewRecListBox(nullptr, nullptr, nullptr, list);
      printf("a box over 10,000 rows without a window: %.1f ms\n", Ms(windowless));
      ReleaseRecListBox(bare);
      DestroyWindow(emptyWindow);
    }
  }
  printf("10,000 rows, best of five: record list walk %.1f ms; list box %.1f ms with its first page painted "
         "(%.2fx: query and fetch %.1f ms, paint %.1f ms); the empty dialog %.1f ms, its close %.1f ms\n",
         walk, best.box + best.paint, (best.box + best.paint) / walk, best.box, best.paint, best.dialog,
         close);

  // 2. A page of cut-down rows painted: the rows are read again once, under one wait cursor.
  RecListCacheSize = 16;
  AllocRecListCache();
  {
    TBenchDlg* dialog;
    HWND window;
    OpenBox(block, 10000, &dialog, &window);
    HWND list = GetDlgItem(window, 14000);
    const int perPage = int(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    const int rounds = 50;
    // The same page painted from the texts kept for it, as a baseline.
    double kept = 0;
    for (int round = 0; round < rounds; ++round) {
      auto start = TClock::now();
      InvalidateRect(list, nullptr, TRUE);
      UpdateWindow(list);
      kept += Ms(start);
    }
    double paint = 0;
    int changes = 0;
    for (int round = 0; round < rounds; ++round) {
      // Another stretch of rows fills the cache, so the first page is cut down again.
      for (int i = 5000; i < 5000 + 64; ++i) dialog->box->GetRecList()->GetRecord(i);
      dialog->box->ForgetRowTexts();
      const int before = TWaitCursor::Changes();
      auto start = TClock::now();
      InvalidateRect(list, nullptr, TRUE);
      UpdateWindow(list);
      paint += Ms(start);
      changes += TWaitCursor::Changes() - before;
    }
    printf("page of %d cut-down rows (cache of 16): painted in %.2f ms (%.2f ms from kept texts), "
           "%.1f wait-cursor changes per page\n",
           perPage, paint / rounds, kept / rounds, double(changes) / rounds);
    DestroyWindow(window);
  }
  RecListCacheSize = 1024;
  AllocRecListCache();

  // 3. A close posted while a box fetches 100,000 rows.
  {
    auto* dialog = new TBenchDlg;
    HWND window = AppWindowManager.CreateModelessIndirect(dialog, block, MainWindow, 0);
    auto* list = new TDBRecList("BENCH");
    list->SelectWhere(Where(TableRows).c_str(), "", nullptr);
    // The close is posted 200 ms into the fetch by a timer of the dialog.
    static TClock::time_point posted;
    posted = TClock::time_point{};
    SetTimer(window, 1, 200, [](HWND w, UINT, UINT_PTR id, DWORD) {
      KillTimer(w, id);
      posted = TClock::now();
      PostMessageA(w, WM_CLOSE, 0, 0);
    });
    auto start = TClock::now();
    dialog->box = new TViewRecListBox(GetDlgItem(window, 14000), nullptr, nullptr, list);
    const auto returned = TClock::now();
    const int fetched = dialog->box->GetCount();
    const auto closing = TClock::now();
    while (IsWindow(window)) {
      Pump();
      Sleep(1);
    }
    const auto gone = TClock::now();
    auto between = [](TClock::time_point from, TClock::time_point to) {
      return std::chrono::duration<double, std::milli>(to - from).count();
    };
    // A fetch that ends before the timer fires never sees the close.
    if (posted != TClock::time_point{} && posted <= returned) {
      printf("close posted %.0f ms into a fetch of %d rows: the box back %.1f ms later after %d rows, "
             "window gone %.1f ms after the post (its close %.1f ms)\n",
             between(start, posted), TableRows, between(posted, returned), fetched, between(posted, gone),
             between(closing, gone));
    } else {
      printf("the fetch of %d rows ended %.1f ms in, before the close was posted (%d rows); "
             "window gone %.1f ms after the post\n",
             TableRows, between(start, returned), fetched, between(posted, gone));
    }
  }

  GlobalFree(block);
  delete connection;
  FreeGlobalCaches();
  TheModel.Clear();
  delete OdbcEnvironment;
  return 0;
}
