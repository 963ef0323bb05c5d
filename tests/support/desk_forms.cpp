// The fixture of the tests over the desk model's forms, and a check of list columns.
#include "support/desk_forms.h"

#include <commctrl.h>

#include <cstdlib>

#include "data/model/model.h"
#include "forms/basedlg.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/appwindow.h"
#include "forms/preferences.h"
#include "forms/windowmanager.h"
#include "support/form_support.h"
#include "support/window_picture.h"

void ExpectColumnsShowWhole(HWND list) {
  // The room a cell or header of the list view leaves beside its text.
  constexpr int padding = 12;
  const auto pixels = [list](const std::string& text) {
    return static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
  };
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  const int columns = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  ASSERT_GT(columns, 0);
  for (int c = 0; c < columns; ++c) {
    const std::string title = ListViewColumnTitle(list, c);
    const int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, c, 0));
    EXPECT_GE(width, pixels(title) + padding) << "header " << title;
    for (int row = 0; row < ListViewRowCount(list); ++row) {
      const std::string cell = ListViewCellText(list, row, c);
      EXPECT_GE(width, pixels(cell) + padding) << "column " << title << ", row " << row << ": " << cell;
    }
  }
}

void DeskFormsTest::SetUp() {
  EditFormDatabaseTest::SetUp();
  LoadModel(dir_.Write("desk.dmd", DeskModel()));
  for (const std::string& sql : DeskTables()) Db().Exec(sql);
  Preferences.WarnOnFind = TFindWarning::Never;
  Preferences.PromptBeforeDelete = false;
  Preferences.AutoClose = TAutoClose::Never;
}

TEditDlg* DeskFormsTest::OpenForm(const char* entity) {
  Open(entity);
  return form_;
}

HWND DeskFormsTest::FieldOf(TEditDlg* form, const char* attribute) {
  const TEntity* entity = form->GetEntity();
  return GetDlgItem(form->GetWindow(), FieldId(entity->AttributeIndex(entity->FindAttribute(attribute))));
}

std::string DeskFormsTest::ShownOn(TEditDlg* form, const char* attribute) {
  return ControlText(FieldOf(form, attribute));
}

void DeskFormsTest::TypeOn(TEditDlg* form, const char* attribute, const char* text) {
  SetWindowTextA(FieldOf(form, attribute), text);
}

void DeskFormsTest::PressOn(HWND window, int id) {
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  PumpMessages(20);
}

std::string DeskFormsTest::StatusOf(HWND window) { return ControlText(GetDlgItem(window, STATUS_LINE_ID)); }

int DeskFormsTest::RelationshipOf(TEditDlg* form, const char* relationship) {
  const TEntity* entity = form->GetEntity();
  for (int r = 0; r < entity->RelationshipCount; ++r)
    if (_stricmp(entity->Relationships[r].Name, relationship) == 0) return r;
  ADD_FAILURE() << "no relationship " << relationship;
  return 0;
}

HWND DeskFormsTest::OpenWindowOfKind(int kind) {
  HWND found = nullptr;
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
    if (TBaseDlg* dialog = AppWindowManager.GetDialog(w); dialog && dialog->GetKind() == kind) found = w;
  return found;
}

TEditDlg* DeskFormsTest::OtherFormOf(const char* entity, TEditDlg* except) {
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w)) {
    TBaseDlg* dialog = AppWindowManager.GetDialog(w);
    if (!dialog || dialog == except || dialog->GetKind() != DK_EDIT_FORM) continue;
    auto* form = static_cast<TEditDlg*>(dialog);
    if (_stricmp(form->GetEntity()->Name, entity) == 0) return form;
  }
  return nullptr;
}

void DeskFormsTest::Picture(HWND window, const char* name) const {
  const char* folder = std::getenv("VORN_SCREENSHOTS");
  if (!folder || GetParam() != "SQLite") return;
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  PumpMessages(50);
  SaveWindowPicture(window, std::string(folder) + "\\" + name + ".bmp");
}
