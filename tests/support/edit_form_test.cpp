// The fixture of the tests over real edit forms.
#include "support/edit_form_test.h"

#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/edittemplates.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "support/form_support.h"

void BeginFormTest(TPreferences* saved) {
  StartFormSession();
  *saved = Preferences;
}

void EndFormTest(const TPreferences& saved) {
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.FirstWindow()) DestroyWindow(w);
  PumpMessages(20);
  FreeEditFormTemplates();
  FreeGlobalCaches();
  Preferences = saved;
}

void EditFormDatabaseTest::SetUp() {
  RecordDatabaseTest::SetUp();
  BeginFormTest(&savedPrefs_);
}

void EditFormDatabaseTest::TearDown() {
  EndFormTest(savedPrefs_);
  RecordDatabaseTest::TearDown();
}

void LoadFormModel(const std::string& path) {
  ASSERT_EQ(LoadModelFile(TheModel, path.c_str()), 1);
  ApplyModelParameters();
  AllocRecListCache();
  BuildEditFormTemplates();
}

void UseSampleForms(const TTestDatabase& db) {
  LoadFormModel(VORN_SOURCE_DIR "/sample/vorn.dmd");
  db.Exec("CREATE TABLE CUSTOMER (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), CITY VARCHAR(30), "
          "PHONE VARCHAR(20), BALANCE DECIMAL(12,2))");
  db.Exec("CREATE TABLE CONTACT (CONTACT_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, NAME VARCHAR(40), "
          "EMAIL VARCHAR(60), ROLE CHAR(1), LAST_CALL TIMESTAMP)");
  db.Exec("CREATE TABLE ORDERS (ORDER_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, ORDER_DATE DATE, "
          "STATUS CHAR(1), ORDER_TOTAL DECIMAL(12,2), DELIVERY_ADDRESS VARCHAR(120), DELIVERY_NOTE VARCHAR(200))");
  db.Exec("CREATE TABLE ORDER_LINE (ORDER_ID INTEGER, LINE_NO SMALLINT, PRODUCT_ID INTEGER, QUANTITY INTEGER, "
          "PRICE DECIMAL(10,2), LINE_TOTAL DECIMAL(12,2), PRIMARY KEY (ORDER_ID, LINE_NO))");
  db.Exec("CREATE TABLE PRODUCT (PRODUCT_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), PRICE DECIMAL(10,2), "
          "ACTIVE INTEGER)");
}

void EditFormDatabaseTest::LoadModel(const std::string& path) { LoadFormModel(path); }

void EditFormDatabaseTest::UseSample() { UseSampleForms(Db()); }

HWND EditFormDatabaseTest::Open(const char* entity, HWND owner) {
  form_ = CreateEditDlg(NewDBRecord(entity), TFormMode::NewRecord);
  window_ = AppWindowManager.OpenEditForm(form_, TheModel.FindEntity(entity), owner ? owner : MainWindow, 0);
  EXPECT_NE(window_, nullptr) << entity;
  ShowWindow(window_, SW_SHOW);
  PumpMessages(20);
  return window_;
}

int EditFormDatabaseTest::Index(const char* attribute) {
  TEntity* entity = form_->GetEntity();
  return entity->AttributeIndex(entity->FindAttribute(attribute));
}

HWND EditFormDatabaseTest::Field(const char* attribute) {
  const int i = Index(attribute);
  HWND control = GetDlgItem(window_, FIELD_ID_BASE + i);
  if (control) return control;
  // On a paged form the field is on the page of its attribute.
  for (HWND page = GetWindow(window_, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
    if (HWND onPage = GetDlgItem(page, FIELD_ID_BASE + i)) return onPage;
  return nullptr;
}

void EditFormDatabaseTest::Type(const char* attribute, const char* text) { SetWindowTextA(Field(attribute), text); }

std::string EditFormDatabaseTest::Shown(const char* attribute) { return ControlText(Field(attribute)); }

std::string EditFormDatabaseTest::Status() {
  char text[512] = "";
  GetDlgItemTextA(window_, STATUS_LINE_ID, text, sizeof text);
  return text;
}

void EditFormDatabaseTest::Press(int id) { SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

TWatchedDialog EditFormDatabaseTest::PressAnswering(HWND window, int id, const char* title, int answer) {
  auto box = WatchAndPressAsync(GetCurrentProcessId(), title, answer, 10000);
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  return box.get();
}
