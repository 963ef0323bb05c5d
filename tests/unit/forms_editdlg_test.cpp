// The record edit form on real windows over SQLite and PostgreSQL: showing and reading every
// display kind, store, find, delete, reset, recalculation and navigation, with the rows in
// the database, the status line and the message boxes checked after each action.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "data/db/record.h"
#include "data/db/reclist.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/editdlg.h"
#include "forms/controlids.h"
#include "forms/edittemplates.h"
#include "forms/preferences.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "support/dialog_watcher.h"
#include "support/dmd_writer.h"
#include "support/edit_form_test.h"
#include "support/form_support.h"
#include "support/record_test_db.h"
#include "support/saved_settings.h"

namespace {

// Every display kind on one entity: plain text, numbers, a date and a time picker, a
// timestamp edit, a check box, a drop-down and an editable code list, a radio group and a
// calculated field.
std::string KindsModel() {
  TDmdWriter dmd("QBDM1.");
  dmd.String(10, "KINDS").String(11, "Kinds").String(13, "KINDS");
  dmd.Bool(14, 1);
  dmd.CodeListCount(3);
  dmd.CodeList("STATES", {{"N", "New"}, {"S", "Shipped"}});
  dmd.CodeList("MODES", {{"A", "Auto"}, {"M", "Manual"}});
  dmd.CodeList("LEVELS", {{"0", "Low"}, {"1", "Middle"}, {"2", "High"}});
  dmd.EntityCount(1);
  dmd.BeginEntity("KINDS", "Kind", 12, 0);
  dmd.String(140, "ID,NAME ORDER BY ID");
  TDmdAttr id;
  id.name = "ID", id.type = "INTEGER", id.caption = "Number", id.keyPart = 1, id.mandatory = 1;
  dmd.Attribute(id);
  auto attr = [&](const char* name, const char* type, const char* caption) {
    TDmdAttr a;
    a.name = name, a.type = type, a.caption = caption;
    return a;
  };
  dmd.Attribute(attr("NAME", "VARCHAR(10)", "Name"));
  dmd.Attribute(attr("AMOUNT", "DECIMAL(8,2)", "Amount"));
  dmd.Attribute(attr("COUNTER", "SMALLINT", "Counter"));
  dmd.Attribute(attr("BORN", "DATE", "Born"));
  dmd.Attribute(attr("AT_TIME", "TIME", "At"));
  dmd.Attribute(attr("STAMP", "TIMESTAMP", "Stamp"));
  dmd.Attribute(attr("FLAG", "BIT", "Flag"));
  TDmdAttr state = attr("STATE", "CHAR(1)", "State");
  state.codeList = "STATES";
  dmd.Attribute(state);
  TDmdAttr mode = attr("MODE", "CHAR(1)", "Mode");
  mode.codeList = "MODES", mode.flags = "@E";
  dmd.Attribute(mode);
  TDmdAttr level = attr("LEVEL", "INTEGER", "Level");
  level.codeList = "LEVELS";
  dmd.Attribute(level);
  TDmdAttr twice = attr("TWICE", "DECIMAL(10,2)", "Twice");
  twice.calculated = 1, twice.defaultText = "AMOUNT * 2.0";
  dmd.Attribute(twice);
  dmd.End();
  dmd.ParamCount(2);
  dmd.Param("DATE_FORMAT", "DD/MM/YYYY");
  dmd.Param("TIMESTAMP_FORMAT", "DD/MM/YYYY HH24:MI:SS");
  dmd.End();
  return dmd.bytes();
}

class EditFormTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    BeginFormTest(&savedPrefs_);
    Preferences.SkipListBoxIfSingleFind = true;
  }

  void TearDown() override {
    EndFormTest(savedPrefs_);
    RecordDatabaseTest::TearDown();
  }

  void UseSample() { UseSampleForms(Db()); }

  void UseKinds() {
    LoadFormModel(dir_.Write("kinds.dmd", KindsModel()));
    Db().Exec("CREATE TABLE KINDS (ID INTEGER PRIMARY KEY, NAME VARCHAR(10), AMOUNT DECIMAL(8,2), "
              "COUNTER SMALLINT, BORN DATE, AT_TIME TIME, STAMP TIMESTAMP, FLAG INTEGER, STATE CHAR(1), "
              "MODE CHAR(1), LEVEL INTEGER, TWICE DECIMAL(10,2))");
  }

  // Opens the form of the entity as the EDIT command does, owned by the main window.
  HWND Open(const char* entity, HWND owner = nullptr) {
    form_ = CreateEditDlg(NewDBRecord(entity), TFormMode::NewRecord);
    window_ = AppWindowManager.OpenEditForm(form_, TheModel.FindEntity(entity), owner ? owner : MainWindow, 0);
    EXPECT_NE(window_, nullptr) << entity;
    ShowWindow(window_, SW_SHOW);
    PumpMessages(20);
    return window_;
  }

  int Index(const char* attribute) { return form_->GetEntity()->AttributeIndex(form_->GetEntity()->FindAttribute(attribute)); }
  HWND Field(const char* attribute) { return GetDlgItem(window_, FIELD_ID_BASE + Index(attribute)); }
  void Type(const char* attribute, const char* text) { SetWindowTextA(Field(attribute), text); }
  std::string Shown(const char* attribute) { return ControlText(Field(attribute)); }
  std::string Status() {
    char text[512] = "";
    GetDlgItemTextA(window_, STATUS_LINE_ID, text, sizeof text);
    return text;
  }
  void Press(int id) { SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  // Presses a button that shows a message box titled so; the box is read and answered.
  TWatchedDialog PressAnswering(int id, const char* title, int answer) {
    auto box = WatchAndPressAsync(GetCurrentProcessId(), title, answer, 10000);
    Press(id);
    return box.get();
  }
  // Fills the key and finds the one row with it.
  void FindKey(const char* attribute, const char* key) {
    Press(RESET_BUTTON_ID);
    Type(attribute, key);
    Press(FIND_BUTTON_ID);
    ASSERT_EQ(form_->GetFormState(), TFormState::Existing) << Status();
  }
  std::string Query(const std::string& sql) { return Db().Query(sql); }

  TScratchDir dir_{"editform"};
  TSavedSettings settings_;
  TPreferences savedPrefs_;
  TEditDlg* form_ = nullptr;
  HWND window_ = nullptr;
};

// ---- opening ----------------------------------------------------------------------------

TEST_P(EditFormTest, EveryEntityOfTheSampleOpensAFreshFormAndClosesOnce) {
  UseSample();
  for (int e = 0; e < TheModel.EntityCount; ++e) {
    const TEntity& entity = TheModel.Entities[e];
    const int before = AppWindowManager.GetCount();
    HWND window = Open(entity.Name);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(form_->GetKind(), DK_EDIT_FORM);
    EXPECT_EQ(form_->GetFormState(), TFormState::Fresh);
    EXPECT_EQ(form_->GetWindow(), window);
    // Only a relationship shown as a child list on the form (the order's lines) has its list.
    for (int r = 0; r < entity.RelationshipCount; ++r) {
      const TRelationship& rel = entity.Relationships[r];
      const bool childList = rel.ToMany && (rel.Kind() == 2 || rel.Kind() == 3);
      EXPECT_EQ(form_->GetChildList(r) != nullptr, childList) << entity.Name << " " << rel.Name;
    }
    SendMessageA(window, WM_CLOSE, 0, 0);
    PumpMessages(20);
    EXPECT_FALSE(IsWindow(window)) << entity.Name;
    EXPECT_EQ(AppWindowManager.GetCount(), before);
  }
}

TEST_P(EditFormTest, ClosingAFormClosesTheDialogsItOwnsFirst) {
  UseSample();
  HWND form = Open("CUSTOMER");
  HWND child = Open("CONTACT", form);
  SendMessageA(form, WM_CLOSE, 0, 0);
  PumpMessages(20);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(form));
  EXPECT_EQ(AppWindowManager.GetCount(), 0);
}

TEST_P(EditFormTest, ButtonsOfLaterWindowsSayTheyAreNotAvailable) {
  UseSample();
  Open("ORDER_LINE");
  const TEntity* entity = form_->GetEntity();
  for (int id : {IMPORT_BUTTON_ID}) {
    Press(id);
    EXPECT_NE(Status().find("is not available"), std::string::npos) << id;
  }
  // An id past the relationship count is not a relationship button.
  SetDlgItemTextA(window_, STATUS_LINE_ID, "");
  Press(LOOKUP_BUTTON_ID_BASE + entity->RelationshipCount);
  EXPECT_EQ(Status(), "");
}

// ---- showing and reading ------------------------------------------------------------------

TEST_P(EditFormTest, EveryDisplayKindShowsAndReadsBackUnchanged) {
  UseKinds();
  Db().Exec("INSERT INTO KINDS VALUES (1, 'Ann', 12.50, 7, '2024-02-29', '13:45:10', '2024-03-01 08:05:09', 1, 'S', 'M', 2, NULL)");
  Db().Exec("INSERT INTO KINDS VALUES (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
  Db().Exec("INSERT INTO KINDS VALUES (3, 'Cy', 0, 0, '1999-12-31', '00:00:00', '1999-12-31 23:59:59', 0, 'N', 'A', 0, NULL)");
  Open("KINDS");
  Press(FIRST_BUTTON_ID);
  for (int row = 1; row <= 3; ++row) {
    SCOPED_TRACE(row);
    ASSERT_EQ(Status(), "");
    TDBRecord* record = form_->GetRecord();
    ASSERT_STREQ(record->GetValue("ID"), std::to_string(row).c_str());
    ASSERT_TRUE(form_->ReadForm()) << RecordErrorState.GetErrorMessage();
    EXPECT_FALSE(form_->HasUserChanges());
    for (int i = 0; i < record->FieldCount(); ++i)
      if (!record->GetEntity()->Attributes[i].Calculated) {
        EXPECT_FALSE(record->Field(i).IsChanged()) << record->GetEntity()->Attributes[i].Name;
      }
    Press(NEXT_BUTTON_ID);
  }
  // What the first row looks like on the form.
  Press(FIRST_BUTTON_ID);
  EXPECT_EQ(Shown("NAME"), "Ann");
  EXPECT_EQ(std::atof(Shown("AMOUNT").c_str()), 12.5);
  EXPECT_EQ(Shown("STAMP"), "01/03/2024 08:05:09");
  EXPECT_EQ(Shown("TWICE"), "25.00");
  EXPECT_EQ(SendMessageA(Field("FLAG"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(Field("STATE"), CB_GETCURSEL, 0, 0), 2);  // blank, New, Shipped
  EXPECT_EQ(Shown("MODE"), "M");
  EXPECT_EQ(IsDlgButtonChecked(window_, RADIO_BUTTON_ID_BASE + Index("LEVEL") * RADIO_BUTTONS_PER_ATTRIBUTE + 2), BST_CHECKED);
  SYSTEMTIME born = {};
  EXPECT_EQ(SendMessageA(Field("BORN"), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&born)), GDT_VALID);
  EXPECT_EQ(born.wYear * 10000 + born.wMonth * 100 + born.wDay, 20240229);
  // The empty row: indeterminate check box, no date.
  Press(NEXT_BUTTON_ID);
  EXPECT_EQ(SendMessageA(Field("FLAG"), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  EXPECT_EQ(SendMessageA(Field("BORN"), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&born)), GDT_NONE);
}

TEST_P(EditFormTest, ChangedControlsOfEveryKindAreStored) {
  UseKinds();
  Db().Exec("INSERT INTO KINDS (ID, NAME) VALUES (1, 'Ann')");
  Open("KINDS");
  Press(FIRST_BUTTON_ID);
  Type("NAME", "Bea");
  Type("AMOUNT", "3.25");
  Type("COUNTER", "-12");
  Type("STAMP", "29/02/2024 23:01:02");
  SendMessageA(Field("FLAG"), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(Field("STATE"), CB_SETCURSEL, 1, 0);
  Type("MODE", "X");
  CheckRadioButton(window_, RADIO_BUTTON_ID_BASE + Index("LEVEL") * RADIO_BUTTONS_PER_ATTRIBUTE, RADIO_BUTTON_ID_BASE + Index("LEVEL") * RADIO_BUTTONS_PER_ATTRIBUTE + 2,
                   RADIO_BUTTON_ID_BASE + Index("LEVEL") * RADIO_BUTTONS_PER_ATTRIBUTE + 1);
  SYSTEMTIME born = {};
  born.wYear = 2001, born.wMonth = 7, born.wDay = 4;
  SendMessageA(Field("BORN"), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&born));
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(Query("SELECT NAME FROM KINDS WHERE ID=1"), "Bea");
  EXPECT_EQ(std::atof(Query("SELECT AMOUNT FROM KINDS WHERE ID=1").c_str()), 3.25);
  EXPECT_EQ(Query("SELECT COUNTER FROM KINDS WHERE ID=1"), "-12");
  EXPECT_EQ(Query("SELECT STAMP FROM KINDS WHERE ID=1").substr(0, 19), "2024-02-29 23:01:02");
  EXPECT_EQ(Query("SELECT BORN FROM KINDS WHERE ID=1"), "2001-07-04");
  EXPECT_EQ(Query("SELECT FLAG FROM KINDS WHERE ID=1"), "0");
  EXPECT_EQ(Query("SELECT STATE FROM KINDS WHERE ID=1"), "N");
  EXPECT_EQ(Query("SELECT MODE FROM KINDS WHERE ID=1"), "X");
  EXPECT_EQ(Query("SELECT LEVEL FROM KINDS WHERE ID=1"), "1");
}

TEST_P(EditFormTest, AStoredCodeOutsideTheCodeListIsShownAsNothingAndKept) {
  UseKinds();
  Db().Exec("INSERT INTO KINDS (ID, STATE, LEVEL) VALUES (1, 'S', 1)");
  Db().Exec("INSERT INTO KINDS (ID, NAME, STATE, LEVEL) VALUES (2, 'odd', 'Z', 9)");
  Open("KINDS");
  Press(FIRST_BUTTON_ID);
  Press(NEXT_BUTTON_ID);  // from a row with a known code to one without
  EXPECT_EQ(SendMessageA(Field("STATE"), CB_GETCURSEL, 0, 0), CB_ERR);
  for (int k = 0; k < 3; ++k)
    EXPECT_EQ(IsDlgButtonChecked(window_, RADIO_BUTTON_ID_BASE + Index("LEVEL") * RADIO_BUTTONS_PER_ATTRIBUTE + k), BST_UNCHECKED);
  Type("NAME", "changed");
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(Query("SELECT STATE FROM KINDS WHERE ID=2"), "Z");
  EXPECT_EQ(Query("SELECT LEVEL FROM KINDS WHERE ID=2"), "9");
  EXPECT_EQ(Query("SELECT NAME FROM KINDS WHERE ID=2"), "changed");
}

TEST_P(EditFormTest, BadInputInAFieldIsRefusedAndStoresNothing) {
  UseKinds();
  struct TCase {
    const char* attribute;
    const char* text;
    const char* caption;
  } cases[] = {
      {"ID", "12x", "Number"},
      {"ID", "X3", "Number"},
      {"ID", "1; DROP TABLE KINDS", "Number"},
      {"COUNTER", "40000", "Counter"},
      {"AMOUNT", "1234567.5", "Amount"},
      {"AMOUNT", "ten", "Amount"},
      {"AMOUNT", "-", "Amount"},
      {"AMOUNT", "1.2.3", "Amount"},
      {"AMOUNT", "12abc", "Amount"},
      {"AMOUNT", ") OR (1=1", "Amount"},
      {"AMOUNT", "1e400", "Amount"},
      {"AMOUNT", "1,5", "Amount"},
      {"AMOUNT", "0x10", "Amount"},
      {"AMOUNT", "nan", "Amount"},
      {"STAMP", "30/02/2024 10:00:00", "Stamp"},
      {"STAMP", "29/02/2023 10:00:00", "Stamp"},
      {"STAMP", "yesterday", "Stamp"},
      {"NAME", "eleven char", "Name"},
  };
  Open("KINDS");
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.attribute) + " " + c.text);
    Press(RESET_BUTTON_ID);
    Type("ID", "5");
    Type(c.attribute, c.text);
    Press(SAVE_BUTTON_ID);
    EXPECT_EQ(Status(), std::string("Invalid Field Data : : ") + c.caption);
    EXPECT_EQ(Query("SELECT COUNT(*) FROM KINDS"), "0");
  }
}

TEST_P(EditFormTest, AYearTypedWithFourDigitsIsStoredAsTyped) {
  UseKinds();
  Open("KINDS");
  Type("ID", "5");
  Type("STAMP", "05/03/0999 10:00:00");
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(Query("SELECT STAMP FROM KINDS WHERE ID=5").substr(0, 19), "0999-03-05 10:00:00");
}

// ---- store --------------------------------------------------------------------------------

TEST_P(EditFormTest, StoresANewRecordThenAChangeToIt) {
  UseSample();
  Open("CUSTOMER");
  Type("CUST_ID", "1");
  Type("NAME", "Ann's Shop");
  EXPECT_EQ(form_->GetFormState(), TFormState::FreshEdited);
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(form_->GetFormState(), TFormState::Fresh);
  EXPECT_EQ(Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID=1"), "Ann's Shop");

  FindKey("CUST_ID", "1");
  EXPECT_TRUE(form_->IsSingleFind());
  EXPECT_EQ(Shown("NAME"), "Ann's Shop");
  Type("CITY", "Oslo");
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(Query("SELECT CITY FROM CUSTOMER WHERE CUST_ID=1"), "Oslo");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUSTOMER"), "1");
}

TEST_P(EditFormTest, AFreshFormNeverOverwritesTheRowWithTheSameKey) {
  UseSample();
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (1, 'Ann', 'Oslo')");
  Open("CUSTOMER");
  Type("CUST_ID", "1");
  Type("NAME", "Someone else");
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Status(), "Record already exists: ");
  EXPECT_EQ(Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID=1"), "Ann");
  EXPECT_EQ(Query("SELECT CITY FROM CUSTOMER WHERE CUST_ID=1"), "Oslo");
}

TEST_P(EditFormTest, AMandatoryFieldLeftEmptyStoresNothing) {
  UseSample();
  Open("CUSTOMER");
  Type("CUST_ID", "4");
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Status(), "Mandatory field not filled out: : Name");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUSTOMER"), "0");
}

TEST_P(EditFormTest, AChangedKeyFollowsIfKeysAreChanged) {
  UseSample();
  struct TCase {
    int preference;
    int answer;                  // 0: no question
    const char* defaultButton;
    const char* rows;            // keys in the table afterwards
  } cases[] = {
      {0, 0, "", "1,2"},
      {1, 0, "", "2"},
      {2, IDYES, "&Yes", "1,2"},
      {3, IDNO, "&No", "2"},
      {2, IDCANCEL, "&Yes", "1"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.preference);
    Db().Exec("DELETE FROM CUSTOMER");
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (1, 'Ann')");
    Preferences.IfKeysAreChanged = TKeyChangeRule(c.preference);
    Open("CUSTOMER");
    FindKey("CUST_ID", "1");
    Type("CUST_ID", "2");
    if (c.answer) {
      TWatchedDialog box = PressAnswering(SAVE_BUTTON_ID, "Customer", c.answer);
      ASSERT_TRUE(box.found);
      EXPECT_EQ(box.text,
                "You have changed the record's key fields.\nDo you wish to insert a new record (YES) or instead "
                "replace the current one (NO)?");
      EXPECT_EQ(box.icon, TBoxIcon::Question);
      EXPECT_EQ(box.buttons, (std::vector<std::string>{"&Yes", "&No", "Cancel"}));
      EXPECT_EQ(box.defaultButton, c.defaultButton);
    } else {
      Press(SAVE_BUTTON_ID);
    }
    EXPECT_EQ(Status(), c.answer == IDCANCEL ? "" : "Record successfully stored");
    std::string keys = Query("SELECT MIN(CUST_ID) FROM CUSTOMER");
    if (Query("SELECT COUNT(*) FROM CUSTOMER") == "2") keys += "," + Query("SELECT MAX(CUST_ID) FROM CUSTOMER");
    EXPECT_EQ(keys, c.rows);
    SendMessageA(window_, WM_CLOSE, 0, 0);
  }
}

TEST_P(EditFormTest, AKeyChangeWithDependantsAsksBeforeCascading) {
  UseSample();
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (1, 'Ann')");
  Db().Exec("INSERT INTO CONTACT (CONTACT_ID, CUST_ID, NAME) VALUES (7, 1, 'Eve')");
  Preferences.IfKeysAreChanged = TKeyChangeRule::AlwaysUpdate;
  Preferences.AllowCascadedUpdates = true;
  Open("CUSTOMER");
  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer);
    FindKey("CUST_ID", "1");
    Type("CUST_ID", "2");
    TWatchedDialog box = PressAnswering(SAVE_BUTTON_ID, "Customer", answer);
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.text, "Related record(s) have been found.\n\nDo you wish to update these as well (i.e. cascade update)?");
    EXPECT_EQ(box.defaultButton, "&No");
    EXPECT_EQ(box.icon, TBoxIcon::Question);
    if (answer == IDNO) {
      EXPECT_NE(Status().find("Related record(s) found"), std::string::npos) << Status();
      EXPECT_EQ(Query("SELECT CUST_ID FROM CONTACT"), "1");
      EXPECT_EQ(Query("SELECT COUNT(*) FROM CUSTOMER WHERE CUST_ID=1"), "1");
    } else {
      EXPECT_EQ(Status(), "Record successfully stored");
      EXPECT_EQ(Query("SELECT CUST_ID FROM CONTACT"), "2");
      EXPECT_EQ(Query("SELECT CUST_ID FROM CUSTOMER"), "2");
    }
  }
}

TEST_P(EditFormTest, PromptBeforeUpdateAsksWithTheRightDefault) {
  UseSample();
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (1, 'Ann')");
  Preferences.PromptBeforeUpdate = true;
  Open("CUSTOMER");
  FindKey("CUST_ID", "1");
  TWatchedDialog unchanged = PressAnswering(SAVE_BUTTON_ID, "Customer", IDNO);
  EXPECT_EQ(unchanged.text, "You have not altered the record. Do you still wish to update it?");
  EXPECT_EQ(unchanged.defaultButton, "&No");
  EXPECT_EQ(Status(), "");
  Type("CITY", "Rome");
  TWatchedDialog changed = PressAnswering(SAVE_BUTTON_ID, "Customer", IDYES);
  EXPECT_EQ(changed.text, "Record has changed. Update it?");
  EXPECT_EQ(changed.defaultButton, "&Yes");
  EXPECT_EQ(changed.icon, TBoxIcon::Question);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(Query("SELECT CITY FROM CUSTOMER"), "Rome");
}

TEST_P(EditFormTest, AutoCloseClosesAfterAStoreByOwner) {
  UseSample();
  HWND other = CreateWindowA("VornTestMain", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  struct TCase {
    int preference;
    bool ownedByMain;
    bool closes;
  } cases[] = {{0, true, false}, {0, false, false}, {1, true, false}, {1, false, true}, {2, true, true}};
  int key = 1;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.preference * 10 + c.ownedByMain);
    Preferences.AutoClose = TAutoClose(c.preference);
    HWND form = Open("CUSTOMER", c.ownedByMain ? MainWindow : other);
    Type("CUST_ID", std::to_string(key++).c_str());
    Type("NAME", "x");
    Press(SAVE_BUTTON_ID);
    EXPECT_EQ(Status(), "Record successfully stored");
    PumpMessages(30);
    EXPECT_EQ(!IsWindow(form), c.closes);
    if (IsWindow(form)) DestroyWindow(form);
  }
  DestroyWindow(other);
}

// ---- delete, reset, recalculate -----------------------------------------------------------

TEST_P(EditFormTest, DeleteRemovesTheRowButNeverCascades) {
  UseSample();
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (1, 'Ann')");
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (2, 'Bob')");
  Db().Exec("INSERT INTO CONTACT (CONTACT_ID, CUST_ID, NAME) VALUES (7, 1, 'Eve')");
  Preferences.PromptBeforeDelete = true;
  Open("CUSTOMER");

  FindKey("CUST_ID", "2");
  TWatchedDialog declined = PressAnswering(DELETE_BUTTON_ID, "Customer", IDNO);
  EXPECT_EQ(declined.text, "Do you wish to delete this record?");
  EXPECT_EQ(declined.icon, TBoxIcon::Question);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUSTOMER"), "2");

  TWatchedDialog accepted = PressAnswering(DELETE_BUTTON_ID, "Customer", IDYES);
  EXPECT_TRUE(accepted.found);
  EXPECT_EQ(Status(), "Record successfully deleted");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUSTOMER WHERE CUST_ID=2"), "0");
  EXPECT_EQ(form_->GetFormState(), TFormState::Fresh);
  EXPECT_EQ(Shown("CUST_ID"), "");

  Preferences.PromptBeforeDelete = false;
  FindKey("CUST_ID", "1");
  TWatchedDialog refused = PressAnswering(DELETE_BUTTON_ID, "Could not delete record", IDOK);
  ASSERT_TRUE(refused.found);
  EXPECT_EQ(refused.text,
            "Could not delete record!\n\nOther records exist in one or more related tables that reference this "
            "record.\n\nThey will need to be deleted and then you can try to delete again.");
  EXPECT_EQ(refused.icon, TBoxIcon::Hand);
  EXPECT_NE(Status().find("Related record(s) found"), std::string::npos) << Status();
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUSTOMER WHERE CUST_ID=1"), "1");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CONTACT"), "1");
}

TEST_P(EditFormTest, ResetShowsTheDefaultsAndRecalculateTheComputedFields) {
  UseSample();
  Db().Exec("INSERT INTO PRODUCT VALUES (1, 'Pen', 2.50, 1)");
  Open("ORDER_LINE");
  Type("ORDER_ID", "100");
  Type("LINE_NO", "1");
  Type("PRODUCT_ID", "1");
  Type("QUANTITY", "4");
  Press(REFRESH_BUTTON_ID);
  EXPECT_EQ(Shown("PRICE"), "2.50");
  EXPECT_EQ(Shown("LINE_TOTAL"), "10.00");
  Press(RESET_BUTTON_ID);
  EXPECT_EQ(Shown("ORDER_ID"), "");
  EXPECT_EQ(Shown("QUANTITY"), "");
  EXPECT_EQ(form_->GetFormState(), TFormState::Fresh);
  EXPECT_EQ(Status(), "");
}

// ---- find ---------------------------------------------------------------------------------

TEST_P(EditFormTest, FindFillsTheFormFromOneHitAndSaysWhenThereIsNone) {
  UseSample();
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (1, 'Ann', 'Oslo')");
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (2, 'Bob', 'Rome')");
  Open("CUSTOMER");
  Type("CITY", "Rome");
  Press(FIND_BUTTON_ID);
  EXPECT_EQ(Status(), "");
  EXPECT_EQ(Shown("CUST_ID"), "2");
  EXPECT_EQ(Shown("NAME"), "Bob");
  EXPECT_EQ(form_->GetFormState(), TFormState::Existing);
  Press(RESET_BUTTON_ID);
  Type("CITY", "Paris");
  Press(FIND_BUTTON_ID);
  EXPECT_EQ(Status(), "Record not found");
  EXPECT_EQ(form_->GetFormState(), TFormState::FreshEdited);
}

TEST_P(EditFormTest, FindWarnsAsWarnOnFindSays) {
  UseSample();
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (1, 'Ann', 'Oslo')");
  const char* all = "You have not filled out any fields, and the search will find every record in the table.\n"
                    "Do you wish to continue?";
  const char* unindexed = "None of the filled out fields are indexed in the database, so the search could take a "
                          "while.\nDo you wish to continue?";
  struct TCase {
    int preference;
    const char* attribute;  // the one criterion, or null
    const char* question;   // null: no question
  } cases[] = {
      {0, nullptr, nullptr}, {1, nullptr, all},      {2, nullptr, all},
      {1, "CITY", nullptr},  {2, "CITY", unindexed}, {2, "CUST_ID", nullptr},
  };
  Open("CUSTOMER");
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.preference) + (c.attribute ? c.attribute : ""));
    Preferences.WarnOnFind = TFindWarning(c.preference);
    Press(RESET_BUTTON_ID);
    if (c.attribute) Type(c.attribute, std::string(c.attribute) == "CITY" ? "Oslo" : "1");
    if (c.question) {
      TWatchedDialog box = PressAnswering(FIND_BUTTON_ID, "Customer", IDNO);
      ASSERT_TRUE(box.found);
      EXPECT_EQ(box.text, c.question);
      EXPECT_EQ(box.defaultButton, "&No");
      EXPECT_NE(form_->GetFormState(), TFormState::Existing);  // the answer No stops the find
    } else {
      Press(FIND_BUTTON_ID);
      EXPECT_EQ(form_->GetFormState(), TFormState::Existing);
    }
  }
}

// ---- navigation ---------------------------------------------------------------------------

TEST_P(EditFormTest, NavigationStepsThroughTheTableInKeyOrder) {
  UseSample();
  Open("CUSTOMER");
  Press(FIRST_BUTTON_ID);
  EXPECT_EQ(Status(), "Unable to find first record");
  Press(LAST_BUTTON_ID);
  EXPECT_EQ(Status(), "Unable to find last record");
  for (int key : {3, 1, 2}) Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (" + std::to_string(key) + ", 'c" + std::to_string(key) + "')");
  struct TStep {
    int button;
    const char* key;
    const char* status;
  } steps[] = {
      {FIRST_BUTTON_ID, "1", ""},   {PREVIOUS_BUTTON_ID, "1", "No more records in this direction"},
      {NEXT_BUTTON_ID, "2", ""},    {NEXT_BUTTON_ID, "3", ""},
      {NEXT_BUTTON_ID, "3", "No more records in this direction"},
      {PREVIOUS_BUTTON_ID, "2", ""}, {LAST_BUTTON_ID, "3", ""}, {FIRST_BUTTON_ID, "1", ""},
  };
  for (const TStep& step : steps) {
    SCOPED_TRACE(step.button);
    Press(step.button);
    EXPECT_EQ(Status(), step.status);
    EXPECT_EQ(Shown("CUST_ID"), step.key);
    EXPECT_EQ(Shown("NAME"), std::string("c") + step.key);
  }
  EXPECT_EQ(form_->GetFormState(), TFormState::Fresh);  // navigation leaves the state alone
}

INSTANTIATE_DATABASE_TESTS(EditFormTest);

}  // namespace
