// Fixture of the tests that open real edit forms and the windows they open: a model
// loaded with its form templates, the tables of the sample model, the preferences kept
// and restored, and helpers to type into a form, press its buttons and read its status.
#pragma once

#include <windows.h>

#include <string>

#include "forms/preferences.h"
#include "support/dialog_watcher.h"
#include "support/record_test_db.h"
#include "support/saved_settings.h"
#include "support/scratch_dir.h"

class TEditDlg;

// What every test over real forms does once its database is set up: the form session
// started and the preferences kept; and at its end: every window destroyed, the templates
// and caches freed, the preferences as they were.
void BeginFormTest(TPreferences* saved);
void EndFormTest(const TPreferences& saved);
// Loads the model file with everything its forms need: parameters, list cache, templates.
void LoadFormModel(const std::string& path);
// The sample model and its tables CUSTOMER, CONTACT, ORDERS, ORDER_LINE and PRODUCT.
void UseSampleForms(const TTestDatabase& db);

class EditFormDatabaseTest : public RecordDatabaseTest {
protected:
  void SetUp() override;
  // Destroys every open window, frees the templates and restores the preferences.
  void TearDown() override;

  void LoadModel(const std::string& path);
  // The sample model and its tables CUSTOMER, CONTACT, ORDERS, ORDER_LINE and PRODUCT.
  void UseSample();

  // Opens the form of the entity as the EDIT command does, owned by the main window.
  HWND Open(const char* entity, HWND owner = nullptr);

  // Controls of the form opened last (fields of a paged form: on their page).
  int Index(const char* attribute);
  HWND Field(const char* attribute);
  void Type(const char* attribute, const char* text);
  std::string Shown(const char* attribute);
  std::string Status();
  void Press(int id);
  // Presses a button of the window that shows a message box titled so; the box is read
  // and answered with the button.
  TWatchedDialog PressAnswering(HWND window, int id, const char* title, int answer);
  std::string Query(const std::string& sql) { return Db().Query(sql); }

  TScratchDir dir_{"editform"};
  TSavedSettings settings_;
  TPreferences savedPrefs_;
  TEditDlg* form_ = nullptr;
  HWND window_ = nullptr;
};
