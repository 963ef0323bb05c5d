// A fixture for tests of the windows an edit form opens: the sample model or a small shop
// model whose relationships give every kind of button (child list, view, show related,
// modal and modeless lookups) and whose fields have the expand, browse and execute buttons,
// on real windows over both databases.
#pragma once

#include <windows.h>

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "forms/editdlg.h"
#include "forms/preferences.h"
#include "support/record_test_db.h"
#include "support/saved_settings.h"
#include "support/scratch_dir.h"

class FormWindowsTest : public RecordDatabaseTest {
protected:
  void SetUp() override;
  void TearDown() override;

  // The sample model with its five business tables.
  void UseSample();
  // The shop model: CUST (NOTE with ">>", DOC with "Browse", RUNIT with "->" running the
  // [Exec] command "viewer", BARE with a "->" that names none), its orders
  // ORD in a child list (ORD's CUST shows the customer with ">"), its contacts CONT behind
  // a view button (CONT's CUST a modeless lookup); extra model parameters may be added, and
  // the preferences' table User_Preferences.
  void UseShop(const std::vector<std::pair<std::string, std::string>>& params = {}, bool preferenceTable = false);

  // Opens an edit form of the entity (owned by the main window unless told).
  HWND Open(const char* entity, HWND owner = nullptr);
  int Index(const char* attribute) const;
  int RelIndex(const char* relationship) const;
  HWND Field(const char* attribute) const;
  void Type(const char* attribute, const char* text);
  std::string Shown(const char* attribute) const;
  std::string Status() const;
  void Press(int id);
  // Fills the key and finds the one row with it.
  void FindKey(const char* attribute, const char* key);
  std::string Query(const std::string& sql) { return Db().Query(sql); }

  // The open window of the window manager with this caption (null when none).
  static HWND WindowTitled(const char* caption);
  // Runs action on another thread once a dialog of this process titled so is shown (a
  // modal one, while this thread runs its loop); the future tells whether it was found.
  static std::future<bool> WhenShown(const char* title, std::function<void(HWND)> action);
  // Selects a row of a list view.
  static void SelectRow(HWND list, int row);
  static int RowCount(HWND list);
  // The list control of a list window, and a control's text.
  static HWND List(HWND window);
  static std::string Text(HWND window, int id);
  // The edit forms open now of the entity.
  static std::vector<TEditDlg*> OpenForms(const char* entity);
  // The sample's customers 1 and 2, with as many contacts of customer 1 as asked.
  void CustomerWithContacts(int contacts);
  // The sample customer form's button that views the contacts.
  int ContactsButton() const;
  // With VORN_SCREENSHOTS set (a Windows folder), saves a picture of the window there as
  // <name>.bmp, once (on SQLite).
  void Picture(HWND window, const char* name) const;

  TScratchDir dir_{"formwin"};
  TSavedSettings settings_;
  TPreferences savedPrefs_{};
  TEditDlg* form_ = nullptr;
  HWND window_ = nullptr;
};
