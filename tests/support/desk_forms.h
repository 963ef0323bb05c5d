// The fixture of the tests over the forms of the desk model (support/desk_model.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/desk_model.h"
#include "support/edit_form_test.h"

class TEditDlg;

// Fails the test unless every column of the list view shows its header and the text of
// each of its cells whole.
void ExpectColumnsShowWhole(HWND list);

class DeskFormsTest : public EditFormDatabaseTest {
protected:
  void SetUp() override;

  // Opens a form of the entity owned by the main window; the form object, and the last
  // opened for the fixture's own helpers.
  TEditDlg* OpenForm(const char* entity);
  // A field of a form, its text, and typing into it.
  static HWND FieldOf(TEditDlg* form, const char* attribute);
  static std::string ShownOn(TEditDlg* form, const char* attribute);
  static void TypeOn(TEditDlg* form, const char* attribute, const char* text);
  static void PressOn(HWND window, int id);
  static std::string StatusOf(HWND window);
  // The position of a relationship in the form's entity.
  static int RelationshipOf(TEditDlg* form, const char* relationship);
  // The open window of the window manager of the kind (the last registered), or null.
  static HWND OpenWindowOfKind(int kind);
  // The edit form open over the entity other than the one given, or null.
  static TEditDlg* OtherFormOf(const char* entity, TEditDlg* except);
  // With VORN_SCREENSHOTS set (a Windows folder), saves a picture of the window, brought
  // to the top, there as <name>.bmp (on SQLite only).
  void Picture(HWND window, const char* name) const;
};
