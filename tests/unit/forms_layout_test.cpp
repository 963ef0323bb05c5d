// Generated edit forms, opened as real dialogs: control ids, classes, styles, texts,
// places, tab order and pages.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/basedlg.h"
#include "forms/controlids.h"
#include "forms/dlgtemplate.h"
#include "forms/edittemplates.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/saved_settings.h"
#include "support/test_model.h"

namespace {

const char* const SamplePath = VORN_SOURCE_DIR "/sample/vorn.dmd";

HWND OpenForm(const char* name) {
  HGLOBAL block = FindEditFormTemplate(name);
  if (!block) return nullptr;
  return AppWindowManager.CreateModelessIndirect(new TBaseDlg, block, MainWindow, 0);
}

// A page template shown inside its container, as the tab pages show it.
HWND OpenPage(const char* name, HWND container) {
  HGLOBAL block = FindEditFormTemplate(name);
  if (!block) return nullptr;
  auto* header = static_cast<LPCDLGTEMPLATEA>(GlobalLock(block));
  HWND page = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), header, container, nullptr, 0);
  GlobalUnlock(block);
  return page;
}

// The style written into the template for the control with this id (0 when absent).
DWORD TemplateStyle(HGLOBAL block, int id) {
  const BYTE* base = static_cast<const BYTE*>(GlobalLock(block));
  auto word = [&](size_t at) { WORD v; memcpy(&v, base + at, 2); return v; };
  auto skipText = [&](size_t at) { while (word(at)) at += 2; return at + 2; };
  const DWORD headerStyle = *reinterpret_cast<const DWORD*>(base);
  const int count = word(8);
  size_t at = skipText(skipText(skipText(18)));
  if (headerStyle & DS_SETFONT) at = skipText(at + 2);
  DWORD found = 0;
  for (int k = 0; k < count; ++k) {
    at = (at + 3) & ~size_t(3);
    const DWORD style = *reinterpret_cast<const DWORD*>(base + at);
    const int itemId = word(at + 16);
    size_t next = at + 18;
    next = word(next) == 0xFFFF ? next + 4 : skipText(next);
    next = skipText(next) + 2;
    if (itemId == id) found = style;
    at = next;
  }
  GlobalUnlock(block);
  return found;
}

void ExpectPlace(HWND dialog, int id, int x, int y, int cx, int cy) {
  HWND control = GetDlgItem(dialog, id);
  ASSERT_NE(control, nullptr) << id;
  RECT got = ControlPlace(dialog, control), want = UnitsPlace(dialog, x, y, cx, cy);
  EXPECT_EQ(got.left, want.left) << "x of " << id;
  EXPECT_EQ(got.top, want.top) << "y of " << id;
  EXPECT_EQ(got.right, want.right) << "width of " << id;
  EXPECT_EQ(got.bottom, want.bottom) << "height of " << id;
}

class EditForms : public ::testing::Test {
protected:
  // The settings as start-up leaves them: hover help on by default.
  void SetUp() override {
    StartFormSession();
    ApplyModelParameters();
  }
  void TearDown() override {
    for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.FirstWindow())
      DestroyWindow(w);
    FreeEditFormTemplates();
    TheModel.Clear();
  }
  TSavedSettings saved_;
};

TEST_F(EditForms, EveryEntityOfTheSampleModelGetsItsForm) {
  ASSERT_EQ(LoadModelFile(TheModel, SamplePath), 1);
  BuildEditFormTemplates();
  EXPECT_EQ(EditFormTemplateTable.Count, TheModel.FormTemplateCount);
  const int bottom[] = {SAVE_BUTTON_ID,   FIND_BUTTON_ID,   DELETE_BUTTON_ID,  RESET_BUTTON_ID, PRINT_BUTTON_ID,
                         REFRESH_BUTTON_ID, CANCEL_BUTTON_ID, HELP_BUTTON_ID,    IMPORT_BUTTON_ID, FIRST_BUTTON_ID,
                         PREVIOUS_BUTTON_ID, NEXT_BUTTON_ID,  LAST_BUTTON_ID,    STATUS_LINE_ID};
  for (int e = 0; e < TheModel.EntityCount; ++e) {
    const TEntity& entity = TheModel.Entities[e];
    std::string name = "edit_" + std::string(entity.Name);  // found whatever the case
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    HWND form = OpenForm(name.c_str());
    ASSERT_NE(form, nullptr) << entity.Name;
    EXPECT_EQ(ControlClass(form), "EditDlg");
    EXPECT_EQ(ControlText(form), entity.Caption);
    for (int id : bottom) EXPECT_NE(GetDlgItem(form, id), nullptr) << entity.Name << " " << id;
    EXPECT_EQ(ControlText(GetDlgItem(form, SAVE_BUTTON_ID)), "&Save");
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(form, SAVE_BUTTON_ID), GWL_STYLE) & BS_DEFPUSHBUTTON);
    if (entity.PageCount == 0) {
      for (int i = 0; i < entity.AttributeCount; ++i) {
        const TAttribute& a = entity.Attributes[i];
        if (a.Hidden) continue;
        EXPECT_NE(GetDlgItem(form, FieldId(i)), nullptr) << entity.Name << "." << a.Name;
        if (HasFieldLabel(&a)) {
          EXPECT_EQ(ControlText(GetDlgItem(form, LabelId(i))), a.Caption);
        }
      }
    } else {
      EXPECT_EQ(ControlClass(GetDlgItem(form, TAB_CONTROL_ID)), "SysTabControl32");
      for (int page = 0; page <= entity.PageCount; ++page) {
        std::string pageName = "Edit_" + std::string(entity.Name) + "__" + std::to_string(page);
        HWND pageWindow = OpenPage(pageName.c_str(), form);
        ASSERT_NE(pageWindow, nullptr) << pageName;
        EXPECT_TRUE(GetWindowLongA(pageWindow, GWL_STYLE) & WS_CHILD);
        for (int i = 0; i < entity.AttributeCount; ++i) {
          const TAttribute& a = entity.Attributes[i];
          if (a.Hidden) continue;
          EXPECT_EQ(GetDlgItem(pageWindow, FieldId(i)) != nullptr, a.Page == page)
              << pageName << " " << a.Name;
        }
      }
    }
    // A to-many relationship shown as a button of its own.
    for (int r = 0; r < entity.RelationshipCount; ++r) {
      const TRelationship& rel = entity.Relationships[r];
      if (rel.KindAndPage == 1 && entity.PageCount == 0) {
        EXPECT_EQ(ControlText(GetDlgItem(form, ViewRelatedButtonId(r))), rel.Caption) << rel.Name;
      }
    }
  }
  EXPECT_EQ(FindEditFormTemplate("Edit_NOSUCH"), nullptr);
}

// One entity with one attribute of every display kind.
struct TKindCase {
  const char* name;
  const char* type;
  const char* flags;
  const char* codeList;
  int calculated;
  int height;
  const char* cls;
  DWORD style;  // the control's own style bits, WS_CHILD | WS_VISIBLE aside
};

const TKindCase kKinds[] = {
    {"K", "INTEGER", "", "", 0, 0, "IntegerEdit", 0x00830080},
    {"TXT", "VARCHAR(20)", "", "", 0, 0, "Edit", 0x00830080},
    {"UP", "VARCHAR(20)", "@!", "", 0, 0, "Edit", 0x00830088},
    {"LOW", "VARCHAR(20)", "@.", "", 0, 0, "Edit", 0x00830090},
    {"PW", "VARCHAR(20)", "@PASSWORD", "", 0, 0, "Edit", 0x008300A8},
    {"PW2", "VARCHAR(20)", "@PASSWORD X", "", 0, 0, "Edit", 0x00830080},
    {"MEMO", "VARCHAR(200)", "", "", 0, 24, "Edit", 0x00831044},
    {"SINGLE", "REAL", "", "", 0, 0, "RealEdit", 0x00830080},
    {"AMOUNT", "DECIMAL(10,2)", "", "", 0, 0, "RealEdit", 0x00830080},
    {"COUNTER", "DECIMAL(10)", "", "", 0, 0, "IntegerEdit", 0x00830080},
    {"RATE", "FLOAT", "", "", 0, 0, "RealEdit", 0x00830080},
    {"DAY", "DATE", "", "", 0, 0, "SysDateTimePick32", 0x00830022},
    {"HOUR", "TIME", "", "", 0, 0, "SysDateTimePick32", 0x0083002B},
    {"STAMP", "TIMESTAMP", "", "", 0, 0, "Edit", 0x00830080},
    {"CALC", "DECIMAL(10,2)", "", "", 1, 0, "Static", 0x00020A00},
    {"FLAG", "BIT", "", "", 0, 0, "ZKWButton", BS_AUTO3STATE | WS_TABSTOP | WS_GROUP},
    {"STATE", "CHAR(1)", "", "STATES", 0, 0, "ComboBox", 0x00A30043},
    {"STATE2", "CHAR(1)", "@E", "STATES", 0, 0, "ComboBox", 0x00A30042},
    {"LEVEL", "INTEGER", "", "LEVELS", 0, 0, "ZKWButton", BS_GROUPBOX},
    {"LEVEL2", "INTEGER", "@R", "LEVELS", 0, 0, "ZKWButton", BS_GROUPBOX},
};

void AddCodeLists(TDataModel& model) {
  model.CodeListCount = model.CodeListCapacity = 2;
  model.CodeLists = new TCodeList[2];
  const char* names[2] = {"STATES", "LEVELS"};
  const char* items[2][3][2] = {{{"N", "New"}, {"O", "Open"}, {"C", "Closed"}},
                                {{"1", "Low"}, {"2", "Medium"}, {"3", "High"}}};
  for (int l = 0; l < 2; ++l) {
    TCodeList& list = model.CodeLists[l];
    ReplaceString(&list.Name, names[l]);
    list.ItemCount = list.ItemCapacity = 3;
    list.Items = new TCodeListItem[3];
    for (int k = 0; k < 3; ++k) {
      ReplaceString(&list.Items[k].Key, items[l][k][0]);
      ReplaceString(&list.Items[k].Caption, items[l][k][1]);
    }
  }
}

void BuildKindsModel() {
  TEntitySpec spec{"Kinds", {}, {}};
  for (const TKindCase& c : kKinds) spec.attributes.emplace_back(c.name, c.type);
  BuildModel(TheModel, {spec});
  AddCodeLists(TheModel);
  TEntity& entity = TheModel.Entities[0];
  for (int i = 0; i < entity.AttributeCount; ++i) {
    ReplaceString(&entity.Attributes[i].Flags, kKinds[i].flags);
    ReplaceString(&entity.Attributes[i].CodeListName, kKinds[i].codeList);
    entity.Attributes[i].Calculated = kKinds[i].calculated;
    entity.Attributes[i].Height = kKinds[i].height;
  }
  entity.Attributes[0].KeyPart = 1;
  TheModel.LinkAndValidate();
}

TEST_F(EditForms, EachDisplayKindGetsItsControl) {
  BuildKindsModel();
  BuildEditFormTemplates();
  HWND form = OpenForm("Edit_Kinds");
  ASSERT_NE(form, nullptr);
  for (int i = 0; i < int(sizeof kKinds / sizeof kKinds[0]); ++i) {
    const TKindCase& c = kKinds[i];
    HWND control = GetDlgItem(form, FieldId(i));
    ASSERT_NE(control, nullptr) << c.name;
    EXPECT_STRCASEEQ(ControlClass(control).c_str(), c.cls) << c.name;
    EXPECT_EQ(TemplateStyle(FindEditFormTemplate("Edit_Kinds"), FieldId(i)),
              c.style | WS_CHILD | WS_VISIBLE)
        << c.name;
  }
  // Radio groups: a button per item; "@R" on a number still makes a group.
  for (int i : {18, 19})
    for (int k = 0; k < 3; ++k) {
      HWND radio = GetDlgItem(form, RadioButtonId(i, k));
      ASSERT_NE(radio, nullptr) << i << " " << k;
      EXPECT_EQ(GetWindowLongA(radio, GWL_STYLE) & WS_GROUP, k == 0 ? WS_GROUP : 0);
    }
  // The check box and radio groups carry their own text; the others have labels.
  EXPECT_EQ(GetDlgItem(form, LabelId(15)), nullptr);
  EXPECT_EQ(ControlText(GetDlgItem(form, FieldId(15))), "FLAG");
  EXPECT_EQ(ControlText(GetDlgItem(form, LabelId(1))), "TXT");
  // Key group first, then the divider.
  HWND divider = GetDlgItem(form, DIVIDER_ID);
  ASSERT_NE(divider, nullptr);
  std::vector<int> ids = ChildIds(form);
  ASSERT_GE(ids.size(), 4u);
  EXPECT_EQ((std::vector<int>(ids.begin(), ids.begin() + 5)),
            (std::vector<int>{LabelId(0), FieldId(0), DIVIDER_ID, LabelId(1), FieldId(1)}));
}

// The FIELD_HELP model parameter decides the class of every kind of button the layout
// writes, pictures included; an empty value leaves hover help on.
TEST_F(EditForms, TheFieldHelpParameterDecidesTheButtonClasses) {
  const struct {
    const char* value;
    const char* cls;
  } cases[] = {{"No", "Button"}, {"1", "ZKWButton"}, {"", "ZKWButton"}};
  for (const auto& c : cases) {
    for (const char*& cls : LayoutButtonClasses) cls = DLGCLASS_BUTTON;  // as built in
    FieldHelp = 1;
    BuildKindsModel();
    ReplaceString(&TheModel.Entities[0].Attributes[1].Flags, "@P,200,4,20,20");
    TheModel.ParamCount = TheModel.ParamCapacity = 1;
    TheModel.Params = new TModelParam[1];
    ReplaceString(&TheModel.Params[0].Name, "FIELD_HELP");
    ReplaceString(&TheModel.Params[0].Value, c.value);
    ApplyModelParameters();
    BuildEditFormTemplates();
    HWND form = OpenForm("Edit_Kinds");
    ASSERT_NE(form, nullptr);
    // Save, a navigation button, the check box, a group box, a radio button, the picture.
    for (int id : {SAVE_BUTTON_ID, FIRST_BUTTON_ID, FieldId(15), FieldId(18), RadioButtonId(18, 0), PictureId(1)}) {
      HWND control = GetDlgItem(form, id);
      ASSERT_NE(control, nullptr) << c.value << " " << id;
      EXPECT_STRCASEEQ(ControlClass(control).c_str(), c.cls) << c.value << " " << id;
    }
    DestroyWindow(form);
    FreeEditFormTemplates();
  }
}

TEST_F(EditForms, AutomaticPlacesFollowTheScreenMetrics) {
  BuildKindsModel();
  BuildEditFormTemplates();
  HWND form = OpenForm("Edit_Kinds");
  ASSERT_NE(form, nullptr);
  // Key row: new row at Top_Gap + Inter_Ctrl_Height = 4; label 2 lower, right-aligned.
  ExpectPlace(form, LabelId(0), 4, 6, 60, 12);
  ExpectPlace(form, FieldId(0), 68, 4, (10 + 2) * 4, 12);  // INTEGER: 10 characters + 2 extra
  EXPECT_TRUE(GetWindowLongA(GetDlgItem(form, LabelId(0)), GWL_STYLE) & SS_RIGHT);
  // Divider under the key row: 16 + 4.
  ExpectPlace(form, DIVIDER_ID, 4, 20, 360 - 8, 1);
  // TXT on the next row: 20 + 3 + 2 = 25.
  ExpectPlace(form, 3001, 68, 25, (20 + 2) * 4, 12);
  // The bottom buttons spread over the width, first at Left_Gap, last ending at the right gap.
  RECT save = ControlPlace(form, GetDlgItem(form, SAVE_BUTTON_ID));
  RECT import = ControlPlace(form, GetDlgItem(form, 200));
  EXPECT_EQ(save.left, UnitsPlace(form, 4, 0, 0, 0).left);
  EXPECT_NEAR(import.left + import.right, UnitsPlace(form, 356, 0, 0, 0).left, 2);
  EXPECT_EQ(save.top, import.top);
  // The form is as wide as the normal width.
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, UnitsPlace(form, 0, 0, 360, 0).right);
}

TEST_F(EditForms, RelationshipControlsRunButtonsAndPosition) {
  std::vector<TEntitySpec> shop = ShopModel();
  BuildModel(TheModel, shop);
  TEntity& customer = TheModel.Entities[0];
  customer.Relationships[0].KindAndPage = 2;  // orders as a small child list
  ReplaceString(&customer.Relationships[0].Caption, "Orders");
  TEntity& order = TheModel.Entities[1];
  order.Relationships[0].KindAndPage = 0;  // customer: lookup button after customer_id
  order.Relationships[1].KindAndPage = 1;  // lines: view button
  ReplaceString(&order.Relationships[1].Caption, "Lines");
  TheModel.ParamCount = TheModel.ParamCapacity = 4;
  TheModel.Params = new TModelParam[4];
  const char* params[4][2] = {{"RUN:Customer:3", "Statement"},
                              {"RUN:Customers:4", "Not this"},
                              {"xy:customer", "100,50"},
                              {"RUN:customer:7", "Mail"}};
  for (int p = 0; p < 4; ++p) {
    ReplaceString(&TheModel.Params[p].Name, params[p][0]);
    ReplaceString(&TheModel.Params[p].Value, params[p][1]);
  }
  TheModel.LinkAndValidate();
  BuildEditFormTemplates();

  HWND form = OpenForm("Edit_Customer");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(ControlText(GetDlgItem(form, ChildListLabelId(0))), "Orders:");
  EXPECT_EQ(ControlClass(GetDlgItem(form, ChildListId(0))), "SysListView32");
  EXPECT_EQ(GetWindowLongA(GetDlgItem(form, ChildListId(0)), GWL_STYLE) & 0xFFFF, 0x100D);
  EXPECT_EQ(ControlText(GetDlgItem(form, ChildAddButtonId(0))), "&Add");
  EXPECT_EQ(ControlText(GetDlgItem(form, ChildEditButtonId(0))), "&Edit");
  EXPECT_EQ(ControlText(GetDlgItem(form, ChildDeleteButtonId(0))), "Dele&te");
  EXPECT_NE(GetDlgItem(form, ChildCountLabelId(0)), nullptr);
  EXPECT_EQ(ControlText(GetDlgItem(form, 19503)), "Statement");
  EXPECT_EQ(ControlText(GetDlgItem(form, 19507)), "Mail");
  EXPECT_EQ(GetDlgItem(form, 19504), nullptr);  // another entity's RUN button
  // The buttons beside the list are centred on it.
  RECT list = ControlPlace(form, GetDlgItem(form, ChildListId(0)));
  RECT add = ControlPlace(form, GetDlgItem(form, ChildAddButtonId(0)));
  RECT count = ControlPlace(form, GetDlgItem(form, ChildCountLabelId(0)));
  EXPECT_NEAR((add.top - list.top), (list.top + list.bottom) - (count.top + count.bottom), 3);
  // "XY:" places the form.
  HGLOBAL block = FindEditFormTemplate("Edit_Customer");
  auto* header = static_cast<DLGTEMPLATE*>(GlobalLock(block));
  EXPECT_EQ(header->x, 100);
  EXPECT_EQ(header->y, 50);
  GlobalUnlock(block);

  HWND orderForm = OpenForm("Edit_Order");
  ASSERT_NE(orderForm, nullptr);
  EXPECT_EQ(ControlText(GetDlgItem(orderForm, LookupButtonId(0))), "?");
  EXPECT_EQ(ControlText(GetDlgItem(orderForm, 13001)), "Lines");
  // The lookup button follows its field in the tab order.
  std::vector<int> ids = ChildIds(orderForm);
  auto field = std::find(ids.begin(), ids.end(), 3001);
  ASSERT_NE(field, ids.end());
  EXPECT_EQ(*(field + 1), LookupButtonId(0));
}

TEST_F(EditForms, AMismatchedRelationshipKindWarnsOnceAndLeavesTheButtonOut) {
  BuildModel(TheModel, ShopModel());
  TEntity& order = TheModel.Entities[1];
  order.Relationships[0].KindAndPage = 2;  // a child list kind for a lookup attribute
  TheModel.LinkAndValidate();
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Database Model: Warning", IDOK, 10000);
  BuildEditFormTemplates();
  TWatchedDialog seen = box.get();
  EXPECT_TRUE(seen.found);
  EXPECT_EQ(seen.text,
            "Relationship lookup type (page number) incorrect for relationship customer from "
            "Order:customer_id\n\nRelationship button will not be displayed!");
  HWND form = OpenForm("Edit_Order");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(GetDlgItem(form, LookupButtonId(0)), nullptr);
  EXPECT_EQ(GetDlgItem(form, ShowRelatedButtonId(0)), nullptr);
}

TEST_F(EditForms, PagedEntitiesGetAContainerAndTheirPages) {
  std::vector<TEntitySpec> specs = ShopModel();
  BuildModel(TheModel, specs);
  TEntity& customer = TheModel.Entities[0];
  customer.Attributes[2].Page = 2;  // balance on page 2, page 1 empty
  ReplaceString(&customer.Caption, "Orders");
  TheModel.ParamCount = TheModel.ParamCapacity = 1;
  TheModel.Params = new TModelParam[1];
  ReplaceString(&TheModel.Params[0].Name, "PAGE:Customer:1");
  ReplaceString(&TheModel.Params[0].Value, "&Money");
  TheModel.LinkAndValidate();
  BuildEditFormTemplates();
  EXPECT_STREQ(PageCaption(&customer, 1), "Money");
  EXPECT_STREQ(PageCaption(&customer, 2), "Details");

  HWND form = OpenForm("EDIT_CUSTOMER");
  ASSERT_NE(form, nullptr);
  EXPECT_NE(GetDlgItem(form, TAB_CONTROL_ID), nullptr);
  EXPECT_NE(GetDlgItem(form, SAVE_BUTTON_ID), nullptr);
  struct TPage {
    const char* name;
    const char* title;
  } pages[] = {{"Edit_Customer__0", "Orders"},
               {"Edit_Customer__1", "Orders: Money"},
               {"Edit_Customer__2", "Orders: (Secondary Page 2)"}};
  for (const TPage& p : pages) {
    HWND page = OpenPage(p.name, form);
    ASSERT_NE(page, nullptr) << p.name;
    EXPECT_EQ(ControlText(page), p.title);
    EXPECT_EQ(GetDlgItem(page, SAVE_BUTTON_ID), nullptr);  // the buttons are the container's
  }
  // The container sits one cascade step left of the first form position.
  HGLOBAL block = FindEditFormTemplate("Edit_Customer");
  auto* header = static_cast<DLGTEMPLATE*>(GlobalLock(block));
  EXPECT_EQ(header->x, 30 - 4);
  GlobalUnlock(block);
}

TEST_F(EditForms, LongEntityNamesKeepTheirOwnTemplatesAndPageNames) {
  // Names the model format allows, alike for their first thousand bytes.
  const std::string common(1000, 'L');
  std::vector<TEntitySpec> specs = {{common + "_ONE", {{"ID", "INTEGER"}, {"NOTE"}}, {}},
                                    {common + "_TWO", {{"ID", "INTEGER"}, {"NOTE"}}, {}}};
  BuildModel(TheModel, specs);
  TheModel.Entities[1].Attributes[1].Page = 1;
  TheModel.ParamCount = TheModel.ParamCapacity = 1;
  TheModel.Params = new TModelParam[1];
  ReplaceString(&TheModel.Params[0].Name, ("PAGE:" + common + "_TWO:1").c_str());
  ReplaceString(&TheModel.Params[0].Value, "Notes");
  TheModel.LinkAndValidate();
  BuildEditFormTemplates();

  const TEntity* one = &TheModel.Entities[0];
  const TEntity* two = &TheModel.Entities[1];
  EXPECT_EQ(EditFormTemplateName(two, 1), "Edit_" + common + "_TWO__1");
  HGLOBAL oneForm = FindEditFormTemplate(EditFormTemplateName(one).c_str());
  HGLOBAL twoForm = FindEditFormTemplate(EditFormTemplateName(two).c_str());
  ASSERT_NE(oneForm, nullptr);
  ASSERT_NE(twoForm, nullptr);
  EXPECT_NE(oneForm, twoForm);
  HGLOBAL page0 = FindEditFormTemplate(EditFormTemplateName(two, 0).c_str());
  HGLOBAL page1 = FindEditFormTemplate(EditFormTemplateName(two, 1).c_str());
  ASSERT_NE(page0, nullptr);
  ASSERT_NE(page1, nullptr);
  EXPECT_NE(page0, page1);
  EXPECT_NE(page0, twoForm);
  EXPECT_STREQ(PageCaption(two, 1), "Notes");
}

}  // namespace
