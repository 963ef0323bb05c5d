// The fixture of the windows an edit form opens.
#include "support/shop_forms.h"

#include <commctrl.h>

#include <cstdlib>
#include <future>

#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/edittemplates.h"
#include "forms/windowmanager.h"
#include "support/dialog_watcher.h"
#include "support/dmd_writer.h"
#include "support/edit_form_test.h"
#include "forms/appwindow.h"
#include "support/form_support.h"
#include "support/window_picture.h"

namespace {

TDmdAttr Attr(const char* name, const char* type, const char* caption) {
  TDmdAttr a;
  a.name = name, a.type = type, a.caption = caption;
  return a;
}

TDmdAttr Key(const char* name, const char* caption) {
  TDmdAttr a = Attr(name, "INTEGER", caption);
  a.keyPart = 1, a.mandatory = 1;
  return a;
}

TDmdAttr ForeignKey(const char* name, const char* rel, const char* prim) {
  TDmdAttr a = Attr(name, "INTEGER", "Customer no.");
  a.foreignRel = rel, a.primAttr = prim;
  return a;
}

std::string ShopModel(const std::vector<std::pair<std::string, std::string>>& params, bool preferenceTable) {
  TDmdWriter dmd("QBDM1.");
  dmd.String(10, "SHOP").String(11, "Shop").String(13, "SHOP");
  dmd.Bool(14, 1);
  dmd.EntityCount(preferenceTable ? 4 : 3);

  dmd.BeginEntity("CUST", "Customer", 6, 2);
  dmd.String(31, "Customers").String(140, "CUST_ID,NAME ORDER BY CUST_ID");
  dmd.Attribute(Key("CUST_ID", "Customer no."));
  dmd.Attribute(Attr("NAME", "VARCHAR(40)", "Name"));
  TDmdAttr note = Attr("NOTE", "VARCHAR(300)", "Note");
  note.flags = "@N", note.width = 20;
  dmd.Attribute(note);
  TDmdAttr doc = Attr("DOC", "VARCHAR(200)", "Document");
  doc.flags = "@B";
  dmd.Attribute(doc);
  TDmdAttr runit = Attr("RUNIT", "VARCHAR(100)", "Viewer");
  runit.flags = "@Z viewer";
  dmd.Attribute(runit);
  TDmdAttr bare = Attr("BARE", "VARCHAR(10)", "Bare");
  bare.flags = "@Z";  // an execute button naming no command
  dmd.Attribute(bare);
  TDmdRel orders = DmdRel("ORDS", "ORD", "CUST", "CUST", "ORD", 1);
  orders.caption = "Orders", orders.kindAndPage = 2, orders.columnText = "ORD_ID,ITEM", orders.orderBy = "ORD_ID";
  dmd.Relationship(orders);
  TDmdRel contacts = DmdRel("CONTS", "CONT", "CUST", "CUST", "CONT", 1);
  contacts.caption = "Contacts", contacts.kindAndPage = 1, contacts.columnText = "CONT_ID,NAME";
  contacts.orderBy = "CONT_ID";
  dmd.Relationship(contacts);
  dmd.End();

  dmd.BeginEntity("ORD", "Order", 3, 1);
  dmd.String(140, "ORD_ID,ITEM ORDER BY ORD_ID");
  dmd.Attribute(Key("ORD_ID", "Order no."));
  dmd.Attribute(ForeignKey("CUST_ID", "CUST", "CUST_ID"));
  dmd.Attribute(Attr("ITEM", "VARCHAR(20)", "Item"));
  TDmdRel toCustomer = DmdRel("CUST", "CUST", "ORDS", "CUST", "ORD");
  toCustomer.kindAndPage = 1;  // ">": the customer's own form
  dmd.Relationship(toCustomer);
  dmd.End();

  dmd.BeginEntity("CONT", "Contact", 3, 1);
  dmd.String(140, "CONT_ID,NAME ORDER BY CONT_ID");
  dmd.Attribute(Key("CONT_ID", "Contact no."));
  dmd.Attribute(ForeignKey("CUST_ID", "CUST", "CUST_ID"));
  dmd.Attribute(Attr("NAME", "VARCHAR(40)", "Name"));
  TDmdRel lookup = DmdRel("CUST", "CUST", "CONTS", "CUST", "CONT");
  lookup.kindAndPage = 3, lookup.columnText = "CUST_ID,NAME", lookup.orderBy = "CUST_ID";  // modeless lookup
  dmd.Relationship(lookup);
  dmd.End();

  if (preferenceTable) {
    dmd.BeginEntity("User_Preferences", "Preference", 3, 0);
    dmd.Attribute(Attr("USER_ID", "VARCHAR(30)", "User"));
    dmd.Attribute(Attr("Pref_Name", "VARCHAR(40)", "Preference"));
    dmd.Attribute(Attr("Pref_Setting", "VARCHAR(40)", "Setting"));
    dmd.End();
  }

  dmd.ParamCount(1 + static_cast<int>(params.size()));
  dmd.Param("DATE_FORMAT", "DD/MM/YYYY");
  for (const auto& param : params) dmd.Param(param.first, param.second);
  dmd.End();
  return dmd.bytes();
}



}  // namespace

void FormWindowsTest::SetUp() {
  RecordDatabaseTest::SetUp();
  BeginFormTest(&savedPrefs_);
  Preferences.SkipListBoxIfSingleFind = true;
}

void FormWindowsTest::TearDown() {
  EndFormTest(savedPrefs_);
  RecordDatabaseTest::TearDown();
}

void FormWindowsTest::UseSample() { UseSampleForms(Db()); }

void FormWindowsTest::UseShop(const std::vector<std::pair<std::string, std::string>>& params,
                              bool preferenceTable) {
  LoadFormModel(dir_.Write("shop.dmd", ShopModel(params, preferenceTable)));
  if (preferenceTable)
    Db().Exec("CREATE TABLE User_Preferences (USER_ID VARCHAR(30), Pref_Name VARCHAR(40), Pref_Setting VARCHAR(40))");
  Db().Exec("CREATE TABLE CUST (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), NOTE VARCHAR(300), "
            "DOC VARCHAR(200), RUNIT VARCHAR(100), BARE VARCHAR(10))");
  Db().Exec("CREATE TABLE ORD (ORD_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, ITEM VARCHAR(20))");
  Db().Exec("CREATE TABLE CONT (CONT_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, NAME VARCHAR(40))");
}

HWND FormWindowsTest::Open(const char* entity, HWND owner) {
  form_ = CreateEditDlg(NewDBRecord(entity), TFormMode::NewRecord);
  window_ = AppWindowManager.OpenEditForm(form_, TheModel.FindEntity(entity), owner ? owner : MainWindow, 0);
  EXPECT_NE(window_, nullptr) << entity;
  ShowWindow(window_, SW_SHOW);
  PumpMessages(20);
  return window_;
}

int FormWindowsTest::Index(const char* attribute) const {
  const TEntity* entity = form_->GetEntity();
  return entity->AttributeIndex(entity->FindAttribute(attribute));
}

int FormWindowsTest::RelIndex(const char* relationship) const {
  const TEntity* entity = form_->GetEntity();
  for (int r = 0; r < entity->RelationshipCount; ++r)
    if (_stricmp(entity->Relationships[r].Name, relationship) == 0) return r;
  ADD_FAILURE() << "no relationship " << relationship;
  return 0;
}

HWND FormWindowsTest::Field(const char* attribute) const { return GetDlgItem(window_, FIELD_ID_BASE + Index(attribute)); }

void FormWindowsTest::Type(const char* attribute, const char* text) { SetWindowTextA(Field(attribute), text); }

std::string FormWindowsTest::Shown(const char* attribute) const { return ControlText(Field(attribute)); }

std::string FormWindowsTest::Status() const {
  char text[512] = "";
  GetDlgItemTextA(window_, STATUS_LINE_ID, text, sizeof text);
  return text;
}

void FormWindowsTest::Press(int id) { SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void FormWindowsTest::FindKey(const char* attribute, const char* key) {
  Press(RESET_BUTTON_ID);
  Type(attribute, key);
  Press(FIND_BUTTON_ID);
  ASSERT_EQ(form_->GetFormState(), TFormState::Existing) << Status();
}

HWND FormWindowsTest::WindowTitled(const char* caption) {
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
    if (ControlText(w) == caption) return w;
  return nullptr;
}

std::future<bool> FormWindowsTest::WhenShown(const char* title, std::function<void(HWND)> action) {
  std::string ownTitle = title;
  return std::async(std::launch::async, [ownTitle, action] {
    TWatchedDialog found = FindDialog(GetCurrentProcessId(), ownTitle.c_str(), 10000);
    if (!found.found) return false;
    Sleep(100);  // the window's own initialisation has ended
    action(found.window);
    return true;
  });
}

void FormWindowsTest::SelectRow(HWND list, int row) { SelectListViewRow(list, row); }

int FormWindowsTest::RowCount(HWND list) { return ListViewRowCount(list); }

void FormWindowsTest::Picture(HWND window, const char* name) const {
  const char* folder = std::getenv("VORN_SCREENSHOTS");
  if (!folder || GetParam() != "SQLite") return;
  SaveWindowPicture(window, std::string(folder) + "\\" + name + ".bmp");
}

HWND FormWindowsTest::List(HWND window) { return GetDlgItem(window, LIST_ID); }

std::string FormWindowsTest::Text(HWND window, int id) {
  char text[512] = "";
  GetDlgItemTextA(window, id, text, sizeof text);
  return text;
}

std::vector<TEditDlg*> FormWindowsTest::OpenForms(const char* entity) {
  std::vector<TEditDlg*> forms;
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w)) {
    TBaseDlg* dialog = AppWindowManager.GetDialog(w);
    if (dialog && dialog->GetKind() == DK_EDIT_FORM && _stricmp(static_cast<TEditDlg*>(dialog)->GetEntity()->Name, entity) == 0)
      forms.push_back(static_cast<TEditDlg*>(dialog));
  }
  return forms;
}

void FormWindowsTest::CustomerWithContacts(int contacts) {
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (1, 'Ann')");
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (2, 'Bob')");
  for (int k = 1; k <= contacts; ++k)
    Db().Exec("INSERT INTO CONTACT (CONTACT_ID, CUST_ID, NAME) VALUES (" + std::to_string(10 + k) + ", 1, 'c" +
              std::to_string(k) + "')");
}

int FormWindowsTest::ContactsButton() const { return ViewRelatedButtonId(RelIndex("CONTACTS")); }
