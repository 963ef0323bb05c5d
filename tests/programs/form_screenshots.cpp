// Opens the generated form of every entity of a model and saves a picture of each as a
// BMP file: form_screenshots [model file] [output folder]. A paged form is shown with its
// first page inside the tab control; a record list box of a customer's orders follows, then
// edit forms at work on a SQLite file in the folder.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/db/connectstrings.h"
#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/basedlg.h"
#include "forms/colortable.h"
#include "forms/controlids.h"
#include "forms/dlgtemplate.h"
#include "forms/reclistbox.h"
#include "forms/tabpages.h"
#include "forms/editdlg.h"
#include "forms/preferences.h"
#include "forms/edittemplates.h"
#include "forms/windowmanager.h"
#include "shell/appwindow.h"
#include "support/form_support.h"
#include "support/test_db.h"
#include "support/window_picture.h"

namespace {

// The page procedure of the pictures: pages colour their controls as the forms do.
INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_CTLCOLORSTATIC)
    return HandleCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
  return FALSE;
}

// The picture of a window as it is on the screen, moved to the top left so nothing cuts it off.
bool SaveWindowShot(HWND window, const std::string& path) {
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
  PumpMessages(300);
  const bool saved = SaveWindowPicture(window, path);
  if (saved) printf("%s\n", path.c_str());
  return saved;
}

// A dialog showing one record list box; the list's notifications go to the box.
INT_PTR CALLBACK ListDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (TRecListBox* box = TRecListBoxRegistry::Find(header->hwndFrom)) return box->HandleNotify(header);
  }
  TBaseDlg* dialog;
  bool handled;
  return DispatchBaseDlgMessage(&dialog, window, message, wParam, lParam, &handled);
}

// A list box of the orders of a customer, with rows made in memory (no database).
bool SaveOrderListShot(const std::string& folder) {
  TRelationship* orders = TheModel.FindEntity("CUSTOMER")
                              ? TheModel.FindEntity("CUSTOMER")->FindRelationship("ORDERS")
                              : nullptr;
  if (!orders) return false;
  HGLOBAL block = nullptr;
  WORD size = 0;
  CreateDlgTemplate(&block, &size, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 10, 10, "", "",
                    "Orders of customer 1", 8, "MS Sans Serif");
  AddDlgTemplateItem(block, &size, "SysListView32", "", ChildListId(0), 4, 4, 232, 90, 0x0083100D);
  SetDlgTemplateXYWH(block, 0, 0, 240, 98);
  auto* dialog = new TBaseDlg;
  dialog->DialogProc = ListDlgProc;
  HWND window = AppWindowManager.CreateModelessIndirect(dialog, block, nullptr, 0);
  GlobalFree(block);
  if (!window) return false;
  auto* list = new TDBRecList(orders->WithEntity->Name);
  const char* rows[][4] = {{"1001", "2024-03-05", "N", "120.50"},
                           {"1002", "2024-03-18", "C", "75.00"},
                           {"1003", "2024-04-02", "S", "310.25"},
                           {"1004", "2024-04-30", "X", "0.00"}};
  for (auto& row : rows) {
    TDBRecord* record = NewDBRecord(orders->WithEntity->Name);
    record->SetValue("ORDER_ID", row[0]);
    record->SetValue("ORDER_DATE", row[1]);
    record->SetValue("STATUS", row[2]);
    record->SetValue("ORDER_TOTAL", row[3]);
    list->AddRecord(-1, record);
  }
  auto* box = new TViewRecListBox(GetDlgItem(window, ChildListId(0)), orders, nullptr, list);
  box->SetSelectionMark(1);
  const bool saved = SaveWindowShot(window, folder + "/list_" + orders->WithEntity->Name + ".bmp");
  ReleaseRecListBox(box);
  DestroyWindow(window);
  return saved;
}

void Exec(TOdbcConnection& connection, const char* sql) {
  TOdbcStatement statement(&connection);
  if (!SQL_SUCCEEDED(statement.ExecDirect(sql))) fprintf(stderr, "%s: %s\n", sql, statement.GetDiagMessage());
}

// The open dialog of the kind, or null.
HWND FindWindowOfKind(int kind) {
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
    if (AppWindowManager.GetDialog(w) && AppWindowManager.GetDialog(w)->GetKind() == kind) return w;
  return nullptr;
}

// Edit forms at work on a SQLite file in the folder: a customer found and shown, the find
// window of two customers, and the first order on the second page of its paged form.
int SaveFilledForms(const std::string& folder) {
  const std::string file = folder + "/filled.db";
  DeleteFileA(file.c_str());
  // The program's connection plan names the file "<Database>.db"; Wine's drive Z: is the Unix root.
  TNetworkSettings settings;
  settings.driver = "SQLite3";
  settings.database = (file[0] == '/' ? "Z:" : "") + file.substr(0, file.size() - 3);
  for (char& c : settings.database)
    if (c == '/') c = '\\';
  const TConnectPlan plan = PlanConnection(settings, "");
  TOdbcEnv env;
  TOdbcConnection connection(&env);
  if (!plan.error.empty() || !SQL_SUCCEEDED(connection.DriverConnect(plan.createConnect.c_str(), 0))) {
    fprintf(stderr, "no SQLite database: %s\n", connection.GetDiagMessage());
    return 0;
  }
  Exec(connection, "CREATE TABLE CUSTOMER (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), CITY VARCHAR(30), "
                   "PHONE VARCHAR(20), BALANCE DECIMAL(12,2))");
  Exec(connection, "CREATE TABLE ORDERS (ORDER_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, ORDER_DATE DATE, "
                   "STATUS CHAR(1), ORDER_TOTAL DECIMAL(12,2), DELIVERY_ADDRESS VARCHAR(120), DELIVERY_NOTE VARCHAR(200))");
  Exec(connection, "CREATE TABLE ORDER_LINE (ORDER_ID INTEGER, LINE_NO SMALLINT, PRODUCT_ID INTEGER, QUANTITY INTEGER, "
                   "PRICE DECIMAL(10,2), LINE_TOTAL DECIMAL(12,2), PRIMARY KEY (ORDER_ID, LINE_NO))");
  Exec(connection, "INSERT INTO CUSTOMER VALUES (1, 'Ann''s Shop', 'Oslo', '+47 22 11 00', NULL)");
  Exec(connection, "INSERT INTO CUSTOMER VALUES (2, 'Bergen Bikes', 'Oslo', '+47 55 20 30', NULL)");
  Exec(connection, "INSERT INTO ORDERS VALUES (100, 1, '2024-03-01', 'C', 14.00, 'Storgata 1, Oslo', 'Leave at the door')");
  OdbcEnvironment = &env;
  AllocRecListCache();
  Preferences.SkipListBoxIfSingleFind = true;
  LVITEMA selected = {};
  selected.stateMask = selected.state = LVIS_SELECTED | LVIS_FOCUSED;
  int saved = 0;
  TEditDlg* form = CreateEditDlg(NewDBRecord("CUSTOMER"), TFormMode::NewRecord);
  HWND window = AppWindowManager.OpenEditForm(form, TheModel.FindEntity("CUSTOMER"), MainWindow, 0);
  if (window) {
    SetDlgItemTextA(window, FieldId(0), "1");
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(FIND_BUTTON_ID, BN_CLICKED), 0);
    if (SaveWindowShot(window, folder + "/filled_CUSTOMER.bmp")) ++saved;
    // Two customers in Oslo: the find window lists them.
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(RESET_BUTTON_ID, BN_CLICKED), 0);
    SetDlgItemTextA(window, FieldId(2), "Oslo");
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(FIND_BUTTON_ID, BN_CLICKED), 0);
    if (HWND find = FindWindowOfKind(DK_FIND_RESULTS)) {
      SendDlgItemMessageA(find, LIST_ID, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&selected));
      if (SaveWindowShot(find, folder + "/find_CUSTOMER.bmp")) ++saved;
    }
    DestroyWindow(window);
  }
  // A paged form on its second page: the first order.
  form = CreateEditDlg(NewDBRecord("ORDERS"), TFormMode::NewRecord);
  window = AppWindowManager.OpenEditForm(form, TheModel.FindEntity("ORDERS"), MainWindow, 0);
  if (window) {
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(FIRST_BUTTON_ID, BN_CLICKED), 0);
    HWND tab = GetDlgItem(window, TAB_CONTROL_ID);
    SendMessageA(tab, TCM_SETCURSEL, 1, 0);
    NMHDR change = {tab, static_cast<UINT_PTR>(TAB_CONTROL_ID), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(window, WM_NOTIFY, TAB_CONTROL_ID, reinterpret_cast<LPARAM>(&change));
    if (SaveWindowShot(window, folder + "/filled_ORDERS_page2.bmp")) ++saved;
    DestroyWindow(window);
  }
  PumpMessages(50);
  OdbcEnvironment = nullptr;
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string model = argc > 1 ? argv[1] : VORN_SOURCE_DIR "/sample/vorn.dmd";
  const std::string folder = argc > 2 ? argv[2] : VORN_BINARY_DIR "/screenshots";
  CreateDirectoryA(folder.c_str(), nullptr);
  StartFormSession();
  if (!LoadModelFile(TheModel, model.c_str())) {
    fprintf(stderr, "cannot load %s\n", model.c_str());
    return 1;
  }
  ApplyModelParameters();
  OdbcLogin = 0;  // the forms as they show without a login: every button the model gives
  BuildEditFormTemplates();
  int saved = 0;
  for (int e = 0; e < TheModel.EntityCount; ++e) {
    const TEntity& entity = TheModel.Entities[e];
    std::string name = "Edit_" + std::string(entity.Name);
    HGLOBAL block = FindEditFormTemplate(name.c_str());
    if (!block) continue;
    HWND form = AppWindowManager.CreateModelessIndirect(new TBaseDlg, block, nullptr, 0);
    if (!form) continue;
    // A paged form shows its first page inside the tab control, as the forms do.
    TTabPages pages;
    if (entity.PageCount > 0 && pages.Install(form, &entity, PageProc, nullptr)) {
      SendMessageA(pages.TabControl(), TCM_SETCURSEL, 0, 0);
      TTabPages::OnTabChange(nullptr, form, false);
    }
    if (SaveWindowShot(form, folder + "/" + entity.Name + ".bmp")) ++saved;
    DestroyWindow(form);
  }
  if (SaveOrderListShot(folder)) ++saved;
  saved += SaveFilledForms(folder);
  return saved > 0 ? 0 : 1;
}
