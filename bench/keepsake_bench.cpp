// Time of a backup and a restore through the maintenance wizard (the program driven as a
// user drives it, from Proceed to its outcome line), and of the bare file copy of the
// same SQLite database. bench/keepsake_bench.sh prepares the databases and times the
// server's own dump and restore run by hand beside it.
//
//   keepsake_bench <application INI> <backup file> [<SQLite database file>]
//
// Each figure is run KEEPSAKE_BENCH_ROUNDS times (3 unless set); the fastest and the
// slowest are printed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int IDC_RESTORE = 1001, IDC_BACKUP = 1000, IDC_BACKUP_PATH = 1003, IDC_LOG = 1008, IDC_PIN = 1009;

std::string ProgramFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\'));
}

struct TFind {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindWizard(HWND window, LPARAM data) {
  auto* find = reinterpret_cast<TFind*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char title[64] = "";
  GetWindowTextA(window, title, sizeof title);
  if (pid == find->pid && strcmp(title, "Db Maintenance Wizard") == 0 && IsWindowVisible(window)) {
    find->found = window;
    return FALSE;
  }
  return TRUE;
}

std::string LogText(HWND dialog) {
  HWND pane = GetDlgItem(dialog, IDC_LOG);
  int length = static_cast<int>(SendMessageA(pane, WM_GETTEXTLENGTH, 0, 0));
  std::string text(length + 1, '\0');
  SendMessageA(pane, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(length);
  return text;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// One run in the wizard: seconds from Proceed to the outcome line, or -1 when it failed.
double TimeRun(HWND dialog, bool backup, const std::string& path) {
  SendDlgItemMessageA(dialog, backup ? IDC_BACKUP : IDC_RESTORE, BM_CLICK, 0, 0);
  SendDlgItemMessageA(dialog, IDC_BACKUP_PATH, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
  const char* done = backup ? "Backup completed." : "Restore completed.";
  const char* failed = backup ? "Backup failed." : "Restore failed.";
  for (;;) {
    std::string log = LogText(dialog);
    QueryPerformanceCounter(&end);
    if (log.find(done) != std::string::npos) break;
    if (log.find(failed) != std::string::npos) {
      printf("%s\n", log.c_str());
      return -1;
    }
    Sleep(5);
  }
  // Wait for Proceed to come back before the next run.
  while (!IsWindowEnabled(GetDlgItem(dialog, IDOK))) Sleep(5);
  return Seconds(start, end);
}

double TimeCopy(const std::string& from, const std::string& to) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  BOOL ok = CopyFileA(from.c_str(), to.c_str(), FALSE);
  QueryPerformanceCounter(&end);
  return ok ? Seconds(start, end) : -1;
}

// The fastest and slowest of a figure's runs; a failed run (-1) makes both -1.
struct TRange {
  double best = 0, worst = 0;
  int runs = 0;
  void Add(double seconds) {
    if (seconds < 0 || best < 0) {
      best = worst = -1;
    } else {
      best = runs == 0 || seconds < best ? seconds : best;
      worst = seconds > worst ? seconds : worst;
    }
    ++runs;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    printf("usage: keepsake_bench <application INI> <backup file> [<SQLite database file>]\n");
    return 2;
  }
  const std::string ini = argv[1], backup = argv[2];
  const char* roundsSetting = getenv("KEEPSAKE_BENCH_ROUNDS");
  const int rounds = roundsSetting && atoi(roundsSetting) > 0 ? atoi(roundsSetting) : 3;

  std::string command = "\"" + ProgramFolder() + "\\..\\keepsake.exe\" \"" + ini + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    printf("cannot start %s\n", command.c_str());
    return 1;
  }
  TFind find{process.dwProcessId, nullptr};
  for (int i = 0; i < 400 && !find.found; ++i) {
    Sleep(50);
    EnumWindows(FindWizard, reinterpret_cast<LPARAM>(&find));
  }
  if (!find.found) {
    printf("the wizard did not open\n");
    return 1;
  }
  SendDlgItemMessageA(find.found, IDC_PIN, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("6937"));

  TRange wizardBackup, wizardRestore;
  for (int i = 0; i < rounds; ++i) {
    wizardBackup.Add(TimeRun(find.found, true, backup));
    wizardRestore.Add(TimeRun(find.found, false, backup));
  }
  PostMessageA(find.found, WM_CLOSE, 0, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);

  printf("best and worst of %d runs, seconds\n", rounds);
  printf("wizard backup   %8.3f %8.3f\n", wizardBackup.best, wizardBackup.worst);
  printf("wizard restore  %8.3f %8.3f\n", wizardRestore.best, wizardRestore.worst);
  if (argc > 3) {
    // The bare copy of the database file, and of the backup back over a copy of it.
    const std::string database = argv[3], copy = backup + ".copy";
    TRange copyOut, copyBack;
    for (int i = 0; i < rounds; ++i) {
      copyOut.Add(TimeCopy(database, copy));
      copyBack.Add(TimeCopy(backup, copy));
    }
    DeleteFileA(copy.c_str());
    printf("bare copy out   %8.3f %8.3f   (wizard backup, best to best, %.2fx)\n", copyOut.best, copyOut.worst,
           wizardBackup.best / copyOut.best);
    printf("bare copy back  %8.3f %8.3f   (wizard restore, best to best, %.2fx)\n", copyBack.best, copyBack.worst,
           wizardRestore.best / copyBack.best);
  }
  return 0;
}
