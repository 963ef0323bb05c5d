// Rules of the edit form over real windows on SQLite and PostgreSQL: a model's refusal of
// updates against the user's rights, the case and blank entry of editable code lists and
// the display formats of the date and time pickers.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/appwindow.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/preferences.h"
#include "forms/windowmanager.h"
#include "support/dmd_writer.h"
#include "support/edit_form_test.h"
#include "support/form_support.h"

namespace {

// One entity whose records are stored once ("UPDATE:ITEMS" = n), with editable code lists
// that upper-case, lower-case or keep what is typed, one of them mandatory, and a time.
std::string ItemsModel() {
  TDmdWriter dmd("QBDM1.");
  dmd.String(10, "ITEMS").String(11, "Items").String(13, "ITEMS");
  dmd.Bool(14, 1);
  dmd.CodeListCount(1);
  dmd.CodeList("SIZES", {{"S", "Small"}, {"L", "Large"}});
  dmd.EntityCount(1);
  dmd.BeginEntity("ITEMS", "Item", 6, 0);
  dmd.String(140, "ID,UPPER_CODE ORDER BY ID");
  TDmdAttr id;
  id.name = "ID", id.type = "INTEGER", id.caption = "Number", id.keyPart = 1, id.mandatory = 1;
  dmd.Attribute(id);
  auto combo = [&](const char* name, const char* flags, int mandatory) {
    TDmdAttr a;
    a.name = name, a.type = "VARCHAR(10)", a.caption = name, a.codeList = "SIZES", a.flags = flags;
    a.mandatory = mandatory;
    return a;
  };
  dmd.Attribute(combo("UPPER_CODE", "@E!", 0));
  dmd.Attribute(combo("LOWER_CODE", "@E.", 0));
  dmd.Attribute(combo("PLAIN_CODE", "@E", 1));
  TDmdAttr at;
  at.name = "AT_TIME", at.type = "TIME", at.caption = "At";
  dmd.Attribute(at);
  TDmdAttr born;
  born.name = "BORN", born.type = "DATE", born.caption = "Born";
  dmd.Attribute(born);
  dmd.End();
  dmd.ParamCount(3);
  dmd.Param("UPDATE:ITEMS", "n");
  dmd.Param("TIME_FORMAT", "HH24:MI");
  dmd.Param("DATE_FORMAT", "YYYY-MM-DD");
  dmd.End();
  return dmd.bytes();
}

class EditRulesTest : public EditFormDatabaseTest {
protected:
  void UseItems() {
    LoadModel(dir_.Write("items.dmd", ItemsModel()));
    Db().Exec("CREATE TABLE ITEMS (ID INTEGER PRIMARY KEY, UPPER_CODE VARCHAR(10), LOWER_CODE VARCHAR(10), "
              "PLAIN_CODE VARCHAR(10), AT_TIME TIME, BORN DATE)");
    Db().Exec("INSERT INTO ITEMS (ID, UPPER_CODE, PLAIN_CODE, AT_TIME) VALUES (1, 'S', 'L', '14:07:09')");
  }

  // Opens the form on the stored record 1, as the find, related-records and lookup windows do.
  void OpenExisting() {
    TDBRecord* record = NewDBRecord("ITEMS");
    record->SetValue("ID", "1");
    record->Read();
    ASSERT_TRUE(record->IsOk());
    form_ = CreateEditDlg(record, TFormMode::ExistingRecord);
    window_ = AppWindowManager.OpenEditForm(form_, TheModel.FindEntity("ITEMS"), MainWindow, 0);
    ASSERT_NE(window_, nullptr);
    ShowWindow(window_, SW_SHOW);
    PumpMessages(20);
  }

  bool SaveEnabled() { return IsWindowEnabled(GetDlgItem(window_, SAVE_BUTTON_ID)) != FALSE; }

  // Types the keys into the edit of an editable combo, as the keyboard does.
  void TypeIntoCombo(const char* attribute, const char* keys) {
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(Field(attribute), &info));
    SetFocus(info.hwndItem);
    for (const char* k = keys; *k; ++k) SendMessageA(info.hwndItem, WM_CHAR, static_cast<BYTE>(*k), 1);
    PumpMessages(5);
  }

  std::string PickerFormatShown(const char* attribute) { return ControlText(Field(attribute)); }
};

TEST_P(EditRulesTest, RefusedUpdatesKeepSaveOffOnAFormOpenedOnAStoredRecord) {
  UseItems();
  OpenExisting();
  EXPECT_FALSE(SaveEnabled());
  Press(RESET_BUTTON_ID);
  EXPECT_TRUE(SaveEnabled()) << "a new record may be stored";
  Preferences.SkipListBoxIfSingleFind = true;
  Type("ID", "1");
  Press(FIND_BUTTON_ID);
  EXPECT_FALSE(SaveEnabled());
}

TEST_P(EditRulesTest, EditableCodeListsChangeTheCaseTheirFlagsAskFor) {
  UseItems();
  Open("ITEMS");
  const struct {
    const char* attribute;
    const char* typed;
    const char* shown;
  } cases[] = {
      {"UPPER_CODE", "abC.d", "ABC.D"},
      {"LOWER_CODE", "ABc.D", "abc.d"},
      {"PLAIN_CODE", "aBc", "aBc"},
  };
  for (const auto& c : cases) {
    TypeIntoCombo(c.attribute, c.typed);
    EXPECT_EQ(Shown(c.attribute), c.shown) << c.attribute;
  }
}

TEST_P(EditRulesTest, EditableCodeListsStartWithABlank) {
  UseItems();
  Open("ITEMS");
  const struct {
    const char* attribute;
    int count;
    const char* first;
  } cases[] = {
      {"UPPER_CODE", 3, ""},
      {"PLAIN_CODE", 3, ""},  // an editable list is never effectively mandatory
  };
  for (const auto& c : cases) {
    HWND combo = Field(c.attribute);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), c.count) << c.attribute;
    char first[32] = "?";
    SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, c.first) << c.attribute;
  }
  // The blank entry chosen after a code empties the field.
  Type("ID", "2");
  SetWindowTextA(Field("PLAIN_CODE"), "L");
  HWND upper = Field("UPPER_CODE");
  SendMessageA(upper, CB_SETCURSEL, 1, 0);
  SendMessageA(upper, CB_SETCURSEL, 0, 0);
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM ITEMS WHERE ID = 2 AND UPPER_CODE IS NULL AND PLAIN_CODE = 'L'"), "1")
      << Status();
}

TEST_P(EditRulesTest, PickersShowTheUsersDateAndTimeFormats) {
  UseItems();
  OpenExisting();
  EXPECT_EQ(PickerFormatShown("AT_TIME"), "14:07");
  SYSTEMTIME day = {};
  day.wYear = 2024, day.wMonth = 3, day.wDay = 5;
  SendMessageA(Field("BORN"), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&day));
  EXPECT_EQ(PickerFormatShown("BORN"), "2024-03-05");
}

INSTANTIATE_DATABASE_TESTS(EditRulesTest);

}  // namespace
