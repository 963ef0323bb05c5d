// The desk model for tests over real forms: customers with their orders in a child list
// on the customer's form, and orders whose calculated total sums their lines, which a
// view button lists. A model without display widths, so that the forms meet it as a
// model that sets none.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/edit_form_test.h"

class TEditDlg;

// The model file's bytes: CUST ("Customers": CUST_ID, NAME, CITY; its orders ORDS in a
// child list), ORD (no title: ORD_ID, CUST_ID, NOTE, TOTAL = SUM(LINES:AMOUNT); its lines
// LINES behind a view button) and LINE (ORD_ID, LINE_NO, AMOUNT).
std::string DeskModel();
// The statements that create the model's tables.
std::vector<std::string> DeskTables();

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
};
