// The desk model and the fixture of the tests over its forms.
#include "support/desk_forms.h"

#include <commctrl.h>

#include "data/model/model.h"
#include "forms/basedlg.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/appwindow.h"
#include "forms/preferences.h"
#include "forms/windowmanager.h"
#include "support/dmd_writer.h"
#include "support/form_support.h"

namespace {

TDmdAttr Attr(const char* name, const char* type, const char* caption) {
  TDmdAttr a;
  a.name = name, a.type = type, a.caption = caption;
  return a;
}

TDmdAttr Key(const char* name, const char* type, const char* caption) {
  TDmdAttr a = Attr(name, type, caption);
  a.keyPart = 1, a.mandatory = 1;
  return a;
}

TDmdAttr ForeignKey(TDmdAttr a, const char* rel, const char* prim) {
  a.foreignRel = rel, a.primAttr = prim;
  return a;
}

}  // namespace

std::string DeskModel() {
  TDmdWriter dmd("QBDM1.");
  dmd.String(10, "DESK").String(11, "Desk").String(13, "DESK");
  dmd.Bool(14, 1);  // stores and deletes in transactions
  dmd.EntityCount(3);

  dmd.BeginEntity("CUST", "Customer", 3, 1);
  dmd.String(31, "Customers").String(140, "CUST_ID,NAME,CITY ORDER BY CUST_ID");
  dmd.Attribute(Key("CUST_ID", "INTEGER", "Customer no."));
  dmd.Attribute(Attr("NAME", "VARCHAR(40)", "Name"));
  dmd.Attribute(Attr("CITY", "VARCHAR(30)", "City"));
  TDmdRel orders = DmdRel("ORDS", "ORD", "CUST", "CUST", "ORD", 1);
  orders.caption = "Orders", orders.kindAndPage = 2, orders.columnText = "ORD_ID,NOTE,TOTAL", orders.orderBy = "ORD_ID";
  dmd.Relationship(orders);
  dmd.End();

  dmd.BeginEntity("ORD", "Order", 4, 2);
  dmd.String(140, "ORD_ID,CUST_ID,NOTE ORDER BY ORD_ID");
  dmd.Attribute(Key("ORD_ID", "INTEGER", "Order no."));
  dmd.Attribute(ForeignKey(Attr("CUST_ID", "INTEGER", "Customer no."), "CUST", "CUST_ID"));
  dmd.Attribute(Attr("NOTE", "VARCHAR(40)", "Note"));
  TDmdAttr total = Attr("TOTAL", "DECIMAL(12,2)", "Total");
  total.calculated = 1, total.defaultText = "SUM(LINES:AMOUNT)";
  dmd.Attribute(total);
  dmd.Relationship(DmdRel("CUST", "CUST", "ORDS", "CUST", "ORD"));
  TDmdRel lines = DmdRel("LINES", "LINE", "ORD", "ORD", "LINE", 1);
  lines.caption = "Lines", lines.kindAndPage = 1, lines.columnText = "LINE_NO,AMOUNT", lines.orderBy = "LINE_NO";
  dmd.Relationship(lines);
  dmd.End();

  dmd.BeginEntity("LINE", "Order line", 3, 1);
  dmd.String(140, "ORD_ID,LINE_NO,AMOUNT ORDER BY LINE_NO");
  dmd.Attribute(ForeignKey(Key("ORD_ID", "INTEGER", "Order no."), "ORD", "ORD_ID"));
  dmd.Attribute(Key("LINE_NO", "SMALLINT", "Line"));
  dmd.Attribute(Attr("AMOUNT", "DECIMAL(10,2)", "Amount"));
  dmd.Relationship(DmdRel("ORD", "ORD", "LINES", "ORD", "LINE"));
  dmd.End();

  dmd.ParamCount(1);
  dmd.Param("DATE_FORMAT", "DD/MM/YYYY");
  dmd.End();
  return dmd.bytes();
}

std::vector<std::string> DeskTables() {
  return {"CREATE TABLE CUST (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), CITY VARCHAR(30))",
          "CREATE TABLE ORD (ORD_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, NOTE VARCHAR(40), TOTAL DECIMAL(12,2))",
          "CREATE TABLE LINE (ORD_ID INTEGER, LINE_NO SMALLINT, AMOUNT DECIMAL(10,2), PRIMARY KEY (ORD_ID, LINE_NO))"};
}

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
    char title[256] = "";
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    SendMessageA(list, LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
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
