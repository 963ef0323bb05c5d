// Speed of a user's session on the desk model over a SQLite database of 10,000 customers,
// reached through the program's connection plan: opening a form, Find by the first letters
// of a name (the find window over its hits), Save of a changed customer, and a line added
// to an order from its lines window with the order's total and the lines window brought up
// to date. Prints the median of each; each is to take under 100 ms. Run it under the Wine
// session.
// Argument: the Windows path of the folder for the model and database file (default
// Z:\tmp\vorn_session_bench; Z:\dev\shm\... leaves the disk's syncs out of the figures).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "data/db/database.h"
#include "data/db/databaseopen.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/appwindow.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/edittemplates.h"
#include "forms/preferences.h"
#include "forms/windowmanager.h"
#include "support/desk_model.h"
#include "support/form_support.h"

namespace {

constexpr int Customers = 10000;
constexpr int Rounds = 9;
constexpr double TargetMs = 100;

double Ms(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The time of one step, the messages it left waiting handled afterwards.
double Timed(const std::function<void()>& step) {
  const auto start = std::chrono::steady_clock::now();
  step();
  const double ms = Ms(start);
  DispatchWaitingMessages();
  return ms;
}

void Press(HWND window, int id) { SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

std::string Text(HWND window, int id) {
  char text[300] = "";
  GetDlgItemTextA(window, id, text, sizeof text);
  return text;
}

HWND FieldOf(TEditDlg* form, const char* attribute) {
  const TEntity* entity = form->GetEntity();
  return GetDlgItem(form->GetWindow(), FieldId(entity->AttributeIndex(entity->FindAttribute(attribute))));
}

void TypeOn(TEditDlg* form, const char* attribute, const std::string& text) {
  SetWindowTextA(FieldOf(form, attribute), text.c_str());
}

std::string ShownOn(TEditDlg* form, const char* attribute) {
  char text[300] = "";
  GetWindowTextA(FieldOf(form, attribute), text, sizeof text);
  return text;
}

TEditDlg* OpenForm(const char* entity, HWND owner) {
  TEditDlg* form = CreateEditDlg(NewDBRecord(entity), TFormMode::NewRecord);
  HWND window = AppWindowManager.OpenEditForm(form, TheModel.FindEntity(entity), owner, 0);
  ShowWindow(window, SW_SHOW);
  return window ? form : nullptr;
}

HWND OpenWindowOfKind(int kind) {
  HWND found = nullptr;
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
    if (TBaseDlg* dialog = AppWindowManager.GetDialog(w); dialog && dialog->GetKind() == kind) found = w;
  return found;
}

TEditDlg* FormOf(const char* entity) {
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w)) {
    TBaseDlg* dialog = AppWindowManager.GetDialog(w);
    if (dialog && dialog->GetKind() == DK_EDIT_FORM &&
        _stricmp(static_cast<TEditDlg*>(dialog)->GetEntity()->Name, entity) == 0)
      return static_cast<TEditDlg*>(dialog);
  }
  return nullptr;
}

bool Exec(TOdbcConnection& connection, const std::string& sql) {
  TOdbcStatement statement(&connection);
  SQLRETURN rc = statement.ExecDirect(sql.c_str());
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
    printf("%s: %s\n", sql.c_str(), statement.GetDiagMessage());
    return false;
  }
  return true;
}

// The model file written into the folder and loaded, with its form templates.
bool LoadDeskModel(const std::string& folder) {
  const std::string path = folder + "\\desk.dmd";
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  const std::string bytes = DeskModel();
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
  if (LoadModelFile(TheModel, path.c_str()) != 1) return false;
  ApplyModelParameters();
  AllocRecListCache();
  return true;
}

// A fresh database file beside the model, made as the program makes it, with the tables
// and 10,000 customers, some of whose names begin with "Fjord".
bool CreateDeskDatabase(const std::string& folder) {
  TNetworkSettings settings;
  settings.driver = "SQLite3";
  settings.database = "desk_bench";
  DeleteFileA((folder + "\\desk_bench.db").c_str());
  const TConnectPlan plan = PlanConnection(settings, folder);
  std::string diagnostic;
  OdbcEnvironment = new TOdbcEnv;
  if (!plan.error.empty() || !CreateDatabase(OdbcEnvironment, plan, &diagnostic)) {
    printf("cannot create the database: %s%s\n", plan.error.c_str(), diagnostic.c_str());
    return false;
  }
  snprintf(DatabaseName, sizeof DatabaseName, "%s", settings.database.c_str());
  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  for (const std::string& sql : DeskTables())
    if (!Exec(connection, sql)) return false;
  const std::string counter = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ";
  return Exec(connection, "INSERT INTO CUST " + counter + std::to_string(Customers) +
                              ") SELECT i, CASE WHEN i % 500 = 0 THEN 'Fjord Fish ' || i ELSE 'Customer ' || i END, "
                              "'Bergen' FROM n") &&
         Exec(connection, "INSERT INTO ORD VALUES (1, 1, 'bench order', 0)");
}

void Report(const char* step, const std::vector<double>& ms) {
  const double median = Median(ms);
  printf("%-58s median %7.1f ms, worst %7.1f ms%s\n", step, median, *std::max_element(ms.begin(), ms.end()),
         median < TargetMs ? "" : "  [over 100 ms]");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "Z:\\tmp\\vorn_session_bench";
  CreateDirectoryA(folder.c_str(), nullptr);
  if (!LoadDeskModel(folder) || !CreateDeskDatabase(folder)) return 1;
  StartFormSession();
  BuildEditFormTemplates();
  Preferences.SkipListBoxIfSingleFind = true;
  Preferences.WarnOnFind = TFindWarning::Never;
  Preferences.IfKeysAreChanged = TKeyChangeRule::AlwaysInsert;

  std::vector<double> open, find, save, line;
  TEditDlg* customer = nullptr;
  for (int round = 0; round < Rounds; ++round) {
    open.push_back(Timed([&] { customer = OpenForm("CUST", MainWindow); }));
    if (!customer) return 1;
    HWND window = customer->GetWindow();
    TypeOn(customer, "NAME", "Fjord");
    find.push_back(Timed([&] { Press(window, FIND_BUTTON_ID); }));
    HWND found = OpenWindowOfKind(DK_FIND_RESULTS);
    if (round == 0) printf("find window: %s\n", found ? Text(found, STATUS_LINE_ID).c_str() : Text(window, STATUS_LINE_ID).c_str());
    if (!found) return 1;
    // The user takes one of the hits into the form.
    SelectListViewRow(GetDlgItem(found, LIST_ID), round);
    Press(found, IDOK);
    DispatchWaitingMessages();
    TypeOn(customer, "CITY", round % 2 ? "Oslo" : "Tromso");
    save.push_back(Timed([&] { Press(window, SAVE_BUTTON_ID); }));
    if (Text(window, STATUS_LINE_ID) != "Record successfully stored")
      printf("save: %s\n", Text(window, STATUS_LINE_ID).c_str());
    DestroyWindow(window);
    DispatchWaitingMessages();
  }

  // An order with its lines window open; each round adds a line there.
  TEditDlg* order = OpenForm("ORD", MainWindow);
  TypeOn(order, "ORD_ID", "1");
  Press(order->GetWindow(), FIND_BUTTON_ID);
  Press(order->GetWindow(), ViewRelatedButtonId(1));  // LINES, the order's second relationship
  DispatchWaitingMessages();
  HWND lines = OpenWindowOfKind(DK_VIEW);
  if (!lines) {
    printf("no lines window: %s\n", Text(order->GetWindow(), STATUS_LINE_ID).c_str());
    return 1;
  }
  for (int round = 0; round < Rounds; ++round) {
    Press(lines, ADD_BUTTON_ID);
    DispatchWaitingMessages();
    TEditDlg* child = FormOf("LINE");
    if (!child) return 1;
    TypeOn(child, "LINE_NO", std::to_string(round + 1));
    TypeOn(child, "AMOUNT", "2.5");
    line.push_back(Timed([&] { Press(child->GetWindow(), SAVE_BUTTON_ID); }));
    if (Text(child->GetWindow(), STATUS_LINE_ID) != "Record successfully stored")
      printf("line: %s\n", Text(child->GetWindow(), STATUS_LINE_ID).c_str());
    DestroyWindow(child->GetWindow());
    DispatchWaitingMessages();
  }
  printf("order total after %d lines: %s; lines window: %s\n", Rounds, ShownOn(order, "TOTAL").c_str(),
         Text(lines, STATUS_LINE_ID).c_str());

  printf("Over %d customers on SQLite (target: each under %.0f ms):\n", Customers, TargetMs);
  Report("Open the customer form", open);
  Report("Find by first letters (find window of the hits)", find);
  Report("Save a changed customer", save);
  Report("Add a line from the order's lines window, order refreshed", line);
  DestroyWindow(order->GetWindow());
  DispatchWaitingMessages();
  return 0;
}
