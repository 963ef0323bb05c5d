// Speed of the edit form on a SQLite file: Next on a form whose entity has two child lists
// of 1,000 rows each, and Find by example over 100,000 rows whose key is indexed (one hit
// filling the form, and many hits opening the find window on its first page). Each is to
// take under 100 ms. Run it under the Wine session.
// Argument: the Unix path of the database file (default /tmp/vorn_editform_bench.db).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_table.h"
#include "data/core/strings.h"
#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/controls.h"
#include "forms/editdlg.h"
#include "forms/edittemplates.h"
#include "forms/preferences.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"

namespace {

constexpr int ChildRows = 1000;
constexpr int People = 100000;

struct TAttrDef {
  const char* name;
  const char* type;
  int key;
  const char* foreignRel;
  const char* primAttr;
};

struct TRelDef {
  const char* name;
  const char* withEnt;
  const char* revName;
  const char* primaryEnt;
  const char* foreignEnt;
  int toMany;
  int kindAndPage;
};

void DefineEntity(TEntity& entity, const char* name, std::vector<TAttrDef> attributes, std::vector<TRelDef> relationships) {
  ReplaceString(&entity.Name, name);
  ReplaceString(&entity.Caption, name);
  ReplaceString(&entity.TitleText, name);
  entity.AttributeCount = entity.AttributeCapacity = static_cast<int>(attributes.size());
  entity.Attributes = new TAttribute[attributes.size()];
  for (size_t i = 0; i < attributes.size(); ++i) {
    TAttribute& a = entity.Attributes[i];
    ReplaceString(&a.Name, attributes[i].name);
    ReplaceString(&a.Caption, attributes[i].name);
    ReplaceString(&a.SqlTypeText, attributes[i].type);
    a.KeyPart = attributes[i].key;
    a.Indexed = attributes[i].key;
    if (attributes[i].foreignRel) ReplaceString(&a.ForeignRelName, attributes[i].foreignRel);
    if (attributes[i].primAttr) ReplaceString(&a.PrimAttrName, attributes[i].primAttr);
  }
  entity.RelationshipCount = entity.RelationshipCapacity = static_cast<int>(relationships.size());
  entity.Relationships = relationships.empty() ? nullptr : new TRelationship[relationships.size()];
  for (size_t r = 0; r < relationships.size(); ++r) {
    TRelationship& rel = entity.Relationships[r];
    const TRelDef& def = relationships[r];
    ReplaceString(&rel.Name, def.name);
    ReplaceString(&rel.Caption, def.name);
    ReplaceString(&rel.WithEntName, def.withEnt);
    ReplaceString(&rel.RevName, def.revName);
    ReplaceString(&rel.PrimaryEntName, def.primaryEnt);
    ReplaceString(&rel.ForeignEntName, def.foreignEnt);
    rel.ToMany = def.toMany;
    rel.KindAndPage = def.kindAndPage;
  }
}

// PARENT with the child lists ALPHAS and BETAS, and PEOPLE to find in.
void BuildModel() {
  TheModel.Clear();
  TheModel.EntityCount = TheModel.EntityCapacity = 4;
  TheModel.Entities = new TEntity[4];
  DefineEntity(TheModel.Entities[0], "PARENT", {{"ID", "INTEGER", 1, nullptr, nullptr}, {"NAME", "VARCHAR(30)", 0, nullptr, nullptr}},
               {{"ALPHAS", "ALPHA", "PARENT", "PARENT", "ALPHA", 1, 2}, {"BETAS", "BETA", "PARENT", "PARENT", "BETA", 1, 2}});
  for (int k = 0; k < 2; ++k)
    DefineEntity(TheModel.Entities[1 + k], k ? "BETA" : "ALPHA",
                 {{"PARENT_ID", "INTEGER", 1, "PARENT", "ID"}, {"N", "INTEGER", 1, nullptr, nullptr},
                  {"TEXT", "VARCHAR(30)", 0, nullptr, nullptr}},
                 {{"PARENT", "PARENT", k ? "BETAS" : "ALPHAS", "PARENT", k ? "BETA" : "ALPHA", 0, 0}});
  DefineEntity(TheModel.Entities[3], "PEOPLE",
               {{"ID", "INTEGER", 1, nullptr, nullptr}, {"NAME", "VARCHAR(30)", 0, nullptr, nullptr},
                {"CITY", "VARCHAR(30)", 0, nullptr, nullptr}},
               {});
  ReplaceString(&TheModel.Entities[3].ColumnListText, "ID,NAME,CITY ORDER BY ID");
  TheModel.LinkAndValidate();
}

bool Exec(TOdbcConnection& connection, const std::string& sql) { return Exec(connection, sql.c_str()); }

bool FillTables(TOdbcConnection& connection) {
  for (const char* table : {"PARENT", "ALPHA", "BETA", "PEOPLE"}) Exec(connection, std::string("DROP TABLE IF EXISTS ") + table);
  if (!Exec(connection, "CREATE TABLE PARENT (ID INTEGER PRIMARY KEY, NAME VARCHAR(30))") ||
      !Exec(connection, "CREATE TABLE ALPHA (PARENT_ID INTEGER, N INTEGER, TEXT VARCHAR(30), PRIMARY KEY (PARENT_ID, N))") ||
      !Exec(connection, "CREATE TABLE BETA (PARENT_ID INTEGER, N INTEGER, TEXT VARCHAR(30), PRIMARY KEY (PARENT_ID, N))") ||
      !Exec(connection, "CREATE TABLE PEOPLE (ID INTEGER PRIMARY KEY, NAME VARCHAR(30), CITY VARCHAR(30))"))
    return false;
  connection.SetAutoCommit(false);
  const std::string counter = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ";
  bool ok = Exec(connection, "INSERT INTO PARENT VALUES (1, 'first'), (2, 'second'), (3, 'third')");
  for (const char* child : {"ALPHA", "BETA"})
    for (int parent = 1; parent <= 3; ++parent)
      ok = ok && Exec(connection, "INSERT INTO " + std::string(child) + " " + counter + std::to_string(ChildRows) +
                                      ") SELECT " + std::to_string(parent) + ", i, 'row ' || i FROM n");
  ok = ok && Exec(connection, "INSERT INTO PEOPLE " + counter + std::to_string(People) +
                                  ") SELECT i, 'Person ' || i, CASE WHEN i % 2 = 0 THEN 'Maribor' ELSE 'Ljubljana' END FROM n");
  connection.Commit();
  connection.SetAutoCommit(true);
  return ok;
}

void StartWindows() {
  INITCOMMONCONTROLSEX controls{sizeof controls, 0x5FF};
  InitCommonControlsEx(&controls);
  RegisterFormControlClasses();
  RegisterFormDialogClasses(LoadIconA(nullptr, IDI_APPLICATION), LoadIconA(nullptr, IDI_APPLICATION));
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VornBenchMain";
  RegisterClassA(&wc);
  MainWindow = CreateWindowA("VornBenchMain", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 120, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
}

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

HWND OpenForm(const char* entity, TEditDlg** form) {
  *form = CreateEditDlg(NewDBRecord(entity), TFormMode::NewRecord);
  HWND window = AppWindowManager.OpenEditForm(*form, TheModel.FindEntity(entity), MainWindow, 0);
  ShowWindow(window, SW_SHOW);
  Pump();
  return window;
}

double Press(HWND window, int id) {
  const auto start = std::chrono::steady_clock::now();
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  const double ms = Ms(start);
  Pump();
  return ms;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::string Status(HWND window) {
  char text[300] = "";
  GetDlgItemTextA(window, STATUS_LINE_ID, text, sizeof text);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "/tmp/vorn_editform_bench.db";
  TOdbcEnv env;
  TOdbcConnection connection(&env);
  if (!ConnectBenchFile(connection, path)) return 1;
  OdbcEnvironment = &env;
  BuildModel();
  if (!FillTables(connection)) return 1;
  AllocRecListCache();
  StartWindows();
  BuildEditFormTemplates();
  Preferences.SkipListBoxIfSingleFind = true;

  TEditDlg* form = nullptr;
  HWND parent = OpenForm("PARENT", &form);
  Press(parent, FIRST_BUTTON_ID);
  std::vector<double> steps;
  for (int round = 0; round < 6; ++round) {
    steps.push_back(Press(parent, NEXT_BUTTON_ID));
    steps.push_back(Press(parent, PREVIOUS_BUTTON_ID));
  }
  printf("Next/Previous with two child lists of %d rows: median %.1f ms, worst %.1f ms (target < 100 ms)%s\n",
         ChildRows, Median(steps), *std::max_element(steps.begin(), steps.end()),
         form->GetChildList(0) ? "" : " [no child lists shown]");
  DestroyWindow(parent);

  HWND people = OpenForm("PEOPLE", &form);
  std::vector<double> single, many;
  for (int round = 0; round < 5; ++round) {
    Press(people, RESET_BUTTON_ID);
    SetDlgItemTextA(people, FieldId(0), std::to_string(4321 + round * 997).c_str());
    single.push_back(Press(people, FIND_BUTTON_ID));
    if (form->GetFormState() != TFormState::Existing) printf("find by key: %s\n", Status(people).c_str());
    Press(people, RESET_BUTTON_ID);
    SetDlgItemTextA(people, FieldId(2), "Maribor");
    many.push_back(Press(people, FIND_BUTTON_ID));
    if (round == 0) {
      HWND found = nullptr;
      for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
        if (AppWindowManager.GetDialog(w)->GetKind() == DK_FIND_RESULTS) found = w;
      printf("find window: %s\n", found ? Status(found).c_str() : ("none: " + Status(people)).c_str());
    }
    for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.FirstWindow()) {
      if (w == people) w = AppWindowManager.NextWindow(w);
      if (!w) break;
      DestroyWindow(w);
    }
  }
  printf("Find by key over %d rows (one hit fills the form): median %.1f ms (target < 100 ms)\n", People, Median(single));
  printf("Find by example with %d hits (find window, first page): median %.1f ms (target < 100 ms)\n", People / 2,
         Median(many));
  DestroyWindow(people);
  return 0;
}
