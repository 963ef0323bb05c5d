// The layout of the generated edit forms: pages, fields with their labels and buttons,
// code lists, relationship buttons and child lists, and the rows of the main page.
#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/dlgtemplate.h"
#include "forms/edittemplates.h"
#include "forms/messagepump.h"

namespace {

constexpr int BOTTOM_BUTTON_COUNT = 9;
constexpr int SECONDARY_PAGE_TOP_OFFSET = 12;
constexpr int BROWSE_BUTTON_WIDTH = 48;

constexpr DWORD FORM_STYLE = 0x90CA0040;
constexpr DWORD CHILD_PAGE_STYLE = 0x48000440;
constexpr DWORD FLAT_BUTTON_STYLE = 0x00038000;
constexpr DWORD RUN_BUTTON_STYLE = 0x0003A000;

// The model parameter that names page n of an entity: "PAGE:<entity>:<n>".
std::string PageParamName(const TEntity* entity, int n) {
  return std::string("PAGE:") + entity->Name + ":" + std::to_string(n);
}

// The class of each kind of button comes from the settings' class table, which hover help switches.
const char* PushButtonClass() { return LayoutButtonClasses[PUSH_BUTTON_CLASS]; }

bool StartsWithNoCase(const char* text, const char* prefix) {
  const size_t n = strlen(prefix);
  return _strnicmp(text, prefix, n) == 0;
}

// The entity name after a prefix, up to the end or the next ':'; true when it is this entity's.
bool NamesEntity(const char* rest, const TEntity* entity, const char** after) {
  const size_t n = strlen(entity->Name);
  if (_strnicmp(rest, entity->Name, n) != 0) return false;
  if (rest[n] != '\0' && rest[n] != ':') return false;
  *after = rest + n;
  return true;
}

int CountChars(const char* text) { return static_cast<int>(strlen(text)); }

// One page (or the container) being laid out; emit false only measures.
struct TLayout {
  const TEntity* entity = nullptr;
  int page = 0;
  bool emit = false;
  HGLOBAL block = nullptr;
  WORD size = 0;
  int width = 0;
  int height = 0;
  int rowX = 0;
  int rowY = 0;
  int maxRight = 0;
  bool warned = false;
  bool hasFields = false;
  bool hasRelControls = false;
  std::vector<char> relButtonGiven;

  void Add(const char* cls, const char* title, int id, int x, int y, int cx, int cy, DWORD style) {
    maxRight = std::max(maxRight, x + cx);
    if (emit)
      AddDlgTemplateItem(block, &size, cls, title, static_cast<WORD>(id), static_cast<short>(x),
                         static_cast<short>(y), static_cast<short>(cx), static_cast<short>(cy),
                         style);
  }
  void Cover(int bottom) { height = std::max(height, bottom); }
};

bool IsCalcOrShadow(const TAttribute* a) { return a->Calculated || a->NonStored; }

// The display length of the model; a model without one gets the column size, and a code
// list at least its longest item text, so that the items can be read.
int DisplayLength(const TAttribute* a) {
  if (a->DisplayWidth > 0) return a->DisplayWidth;
  int length = a->ColumnSize;
  for (int k = 0; a->CodeList && k < a->CodeList->ItemCount; ++k)
    length = std::max(length, static_cast<int>(strlen(a->CodeList->Items[k].Caption)));
  return length;
}

int RadioItemWidth(const TCodeListItem& item) {
  return (CountChars(item.Caption) + Radio_Butt_Ch_Extra) * Norm_Ch_Width;
}

// The row of a field without a label of its own (check boxes, radio groups).
void StartRow(TLayout& L, const TAttribute* a) {
  if (a->Y == 0) {
    L.height += Inter_Ctrl_Height;
    L.rowY = L.height;
  } else if (a->Y > 0) {
    L.rowY = a->Y - (IsCalcOrShadow(a) ? Label_Y_Off : 0);
  }
}

struct TFieldControl {
  const char* cls;
  DWORD style;
};

TFieldControl FieldControl(const TAttribute* a, int fieldHeight) {
  if (IsReadOnlyField(a)) return {DLGCLASS_STATIC, 0x00020A00};
  if (IsEditableCombo(a)) return {DLGCLASS_COMBOBOX, 0x00A30042};
  if (IsDropListCombo(a)) return {DLGCLASS_COMBOBOX, 0x00A30043};
  if (fieldHeight >= 2 * Norm_Height) {
    if (HasAttrFlag(a, '!')) return {DLGCLASS_EDIT, 0x0083104C};
    if (HasAttrFlag(a, '.')) return {DLGCLASS_EDIT, 0x00831054};
    return {DLGCLASS_EDIT, 0x00831044};
  }
  switch (a->SqlType) {
    case SQL_DATE:
    case SQL_TYPE_DATE:
      return {"SysDateTimePick32", 0x00830022};
    case SQL_TIME:
    case SQL_TYPE_TIME:
      return {"SysDateTimePick32", 0x0083002B};
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
      return {"Edit", 0x00830080};
    case SQL_DOUBLE:
    case SQL_FLOAT:
    case SQL_REAL:
      return {"RealEdit", 0x00830080};
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return {a->DecimalDigits > 0 ? "RealEdit" : "IntegerEdit", 0x00830080};
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
      return {"IntegerEdit", 0x00830080};
  }
  if (lstrcmpiA(a->Flags, "@PASSWORD") == 0) return {DLGCLASS_EDIT, 0x008300A8};
  if (HasAttrFlag(a, '!')) return {DLGCLASS_EDIT, 0x00830088};
  if (HasAttrFlag(a, '.')) return {DLGCLASS_EDIT, 0x00830090};
  return {DLGCLASS_EDIT, 0x00830080};
}

// The lookup, show-related, execute, expand or browse button after a labelled field.
void FieldButton(TLayout& L, const TAttribute* a, int i, int fieldY) {
  const char* text = nullptr;
  int id = 0;
  int width = 0;
  const TRelationship* rel = a->ForeignRel;
  int r = -1;
  if (rel) {
    for (int k = 0; k < L.entity->RelationshipCount; ++k)
      if (&L.entity->Relationships[k] == rel) r = k;
  }
  if (rel && r >= 0) {
    if (L.relButtonGiven[r]) return;
    L.relButtonGiven[r] = 1;
    const int kindPage = rel->KindAndPage;
    if (kindPage == L.page * 10 || kindPage == L.page * 10 + 3) {
      text = "?", id = LookupButtonId(r), width = Popup_Butt_Width;
    } else if (kindPage == L.page * 10 + 1) {
      text = ">", id = ShowRelatedButtonId(r), width = To_One_Butt_Width;
    } else {
      if (L.emit && !L.warned) {
        char message[600];
        snprintf(message, sizeof message,
                 "Relationship lookup type (page number) incorrect for relationship %s from %s:%s"
                 "\n\nRelationship button will not be displayed!",
                 rel->Name, L.entity->Name, a->Name);
        ShowMessageBox(nullptr, message, "Database Model: Warning", MB_OK | MB_ICONEXCLAMATION);
        L.warned = true;
      }
      return;
    }
  } else if (HasAttrFlag(a, 'Z')) {
    text = "->", id = ExecuteButtonId(i), width = Open_Up_Butt_Width;
  } else if (HasAttrFlag(a, 'N')) {
    text = ">>", id = ExpandButtonId(i), width = Expand_Butt_Width;
  } else if (HasAttrFlag(a, 'B')) {
    text = "Browse", id = BrowseButtonId(i), width = BROWSE_BUTTON_WIDTH;
  } else {
    return;
  }
  L.rowX += Inter_Ctrl_Butt_Gap;
  L.Add(PushButtonClass(), text, id, L.rowX, fieldY, width, Norm_Height, FLAT_BUTTON_STYLE);
  L.rowX += width;
}

// The picture of an attribute: "x,y,w,h" after the first ',' of the flag word.
void Picture(TLayout& L, const TAttribute* a, int i) {
  const char* comma = strchr(a->Flags, ',');
  if (!comma) return;
  int x = 0, y = 0, w = 0, h = 0;
  if (sscanf(comma + 1, "%d,%d,%d,%d", &x, &y, &w, &h) != 4) return;
  L.Add(LayoutButtonClasses[PICTURE_BUTTON_CLASS], "", PictureId(i), x, y, w, h, 0x0080000B);
  L.Cover(y + h);
}

void LabelledField(TLayout& L, const TAttribute* a, int i) {
  const bool above = a->LabelY == -1;
  const int labelWidth = a->LabelWidth ? a->LabelWidth : Def_Label_Width;
  int labelX;
  if (a->LabelX) labelX = a->LabelX;
  else if (a->X) labelX = a->X - Def_Label_Width - Inter_Lbl_Ctrl_Gap;
  else if (a->Y == -1) labelX = L.rowX + Inter_Ctrl_Ctrl_Gap;
  else labelX = Left_Gap;

  const int shift = IsCalcOrShadow(a) ? Label_Y_Off : 0;
  if (a->LabelY == 0) {
    StartRow(L, a);
  } else if (above) {
    L.height += Inter_Ctrl_Height;
    L.rowY = L.height;
    if (a->Y > 0) L.rowY = a->Y - Norm_Height - shift;
  } else {
    L.rowY = a->LabelY - Label_Y_Off;
  }

  const bool combo = IsComboField(a) != 0;
  const int fieldHeight = a->Height ? a->Height : (combo ? Combo_Box_Height : Norm_Height);
  const int countedHeight = a->Height ? a->Height : Norm_Height;
  const int labelY = L.rowY + Label_Y_Off;
  L.Add(DLGCLASS_STATIC, a->Caption, LabelId(i), labelX, labelY, labelWidth,
        above ? Label_Height : std::min(fieldHeight, countedHeight),
        above ? 0x00020000 : 0x00020002);
  L.rowX = labelX + labelWidth;

  const int fieldX = a->X ? a->X : (above ? Left_Gap : L.rowX + Inter_Lbl_Ctrl_Gap);
  const int fieldY = a->Y > 0 ? a->Y : (above ? L.rowY + Norm_Height : L.rowY);
  const int fieldWidth = a->Width ? a->Width : FieldWidth(a, L.width);
  const TFieldControl control = FieldControl(a, fieldHeight);
  if (!(IsReadOnlyField(a) && lstrcmpiA(a->Flags, "NOSHOW") == 0))
    L.Add(control.cls, "", FieldId(i), fieldX, fieldY, fieldWidth, fieldHeight, control.style);
  L.rowX = fieldX + fieldWidth;
  L.Cover(fieldY + countedHeight);
  L.Cover(labelY + Label_Height);
  FieldButton(L, a, i, fieldY);
  if (HasAttrFlag(a, 'P')) Picture(L, a, i);
}

void CheckBoxField(TLayout& L, const TAttribute* a, int i) {
  const int x = a->X ? a->X : (a->Y == -1 ? L.rowX + Inter_Ctrl_Ctrl_Gap : First_Bool_Gap);
  StartRow(L, a);
  const int y = a->Y > 0 ? a->Y : L.rowY;
  const int width = a->Width ? a->Width : FieldWidth(a, L.width);
  const int height = a->Height ? a->Height : Norm_Height;
  const DWORD style = (a->Mandatory ? BS_AUTOCHECKBOX : BS_AUTO3STATE) | WS_TABSTOP | WS_GROUP;
  L.Add(LayoutButtonClasses[CHECK_BOX_CLASS], a->Caption, FieldId(i), x, y, width, height, style);
  L.rowX = x + width;
  L.Cover(y + height);
}

void RadioGroupField(TLayout& L, const TAttribute* a, int i) {
  const int x = a->X ? a->X : (a->Y == -1 ? L.rowX + Inter_Ctrl_Ctrl_Gap : Left_Gap);
  StartRow(L, a);
  int width = a->Width ? a->Width : std::min(FieldWidth(a, L.width), L.width - x - Right_Gap);
  int height = Thin_Group_Box_Height;
  const TCodeList* list = a->CodeList;
  const int count = list ? list->ItemCount : 0;

  // First the lines of the items, to size the group.
  std::vector<int> itemX(count), itemLine(count);
  const int room = width - 2 * First_Radio_Butt_X_Off;
  int lineX = 0, line = 0, widestLine = 0;
  for (int k = 0; k < count; ++k) {
    const int w = RadioItemWidth(list->Items[k]);
    if (lineX > 0 && lineX + w > room) {
      ++line;
      lineX = 0;
      height += Norm_Height + Inter_Radio_Butt_Height;
    }
    itemX[k] = lineX;
    itemLine[k] = line;
    widestLine = std::max(widestLine, lineX + w);
    lineX += w + Inter_Radio_Butt_Gap;
  }
  if (line == 0 && count > 0 && widestLine + 2 * First_Radio_Butt_X_Off < width)
    width = widestLine + 2 * First_Radio_Butt_X_Off;

  L.Add(LayoutButtonClasses[GROUP_BOX_CLASS], a->Caption, FieldId(i), x, L.rowY + Group_Y_Off, width,
        height, BS_GROUPBOX);
  for (int k = 0; k < count; ++k) {
    const DWORD style = BS_AUTORADIOBUTTON | WS_TABSTOP | (k == 0 ? WS_GROUP : 0);
    L.Add(LayoutButtonClasses[RADIO_BUTTON_CLASS], list->Items[k].Caption, RadioButtonId(i, k),
          x + First_Radio_Butt_X_Off + itemX[k],
          L.rowY + First_Radio_Butt_Y_Off + itemLine[k] * (Norm_Height + Inter_Radio_Butt_Height),
          RadioItemWidth(list->Items[k]), Norm_Height, style);
  }
  L.rowX = x + width;
  L.Cover(L.rowY + Group_Y_Off + height);
}

void PlaceField(TLayout& L, const TAttribute* a, int i) {
  L.hasFields = true;
  if (HasFieldLabel(a)) LabelledField(L, a, i);
  else if (IsCheckBoxField(a)) CheckBoxField(L, a, i);
  else RadioGroupField(L, a, i);
}

// The attributes of the page, split into the key group and the others.
void SplitAttributes(const TEntity* entity, int page, std::vector<int>* keys,
                     std::vector<int>* others) {
  bool afterKey = false;
  for (int i = 0; i < entity->AttributeCount; ++i) {
    const TAttribute* a = &entity->Attributes[i];
    if (a->Hidden) continue;
    const bool onPage = a->Page == page;
    const bool inKey = onPage && (a->KeyPart || (page == 0 && a->NonStored && afterKey));
    if (onPage) afterKey = inKey;
    if (!onPage) continue;
    (inKey ? keys : others)->push_back(i);
  }
}

// A row of up to three buttons centred on the form.
int RowButtonX(const TLayout& L, int buttonWidth, int n) {
  const int step = Inter_Lbl_Ctrl_Gap + buttonWidth;
  return (L.width - step * 3) / 2 + Left_Gap + step * (n % 3);
}

bool RelationshipTaken(const TEntity* entity, const TRelationship* rel) {
  return rel->ForeignEntity != entity || rel->ToMany;
}

void RelationshipControls(TLayout& L) {
  const TEntity* entity = L.entity;
  int n = 0;
  for (int r = 0; r < entity->RelationshipCount; ++r) {
    const TRelationship* rel = &entity->Relationships[r];
    if (!RelationshipTaken(entity, rel) || rel->KindAndPage != L.page * 10 + 1) continue;
    if (n % 3 == 0) L.height += Inter_Ctrl_Height;
    L.Add(PushButtonClass(), rel->Caption, ViewRelatedButtonId(r), RowButtonX(L, View_Butt_Width, n), L.height,
          View_Butt_Width, Norm_Height, FLAT_BUTTON_STYLE);
    ++n;
    if (n % 3 == 0) L.height += Norm_Height;
    L.hasRelControls = true;
  }
  if (n % 3 != 0) L.height += Norm_Height;

  for (int r = 0; r < entity->RelationshipCount; ++r) {
    const TRelationship* rel = &entity->Relationships[r];
    const bool small = rel->KindAndPage == L.page * 10 + 2;
    const bool large = rel->KindAndPage == L.page * 10 + 3;
    if (!RelationshipTaken(entity, rel) || !(small || large)) continue;
    L.hasRelControls = true;
    const int listHeight = *rel->ListHeightText ? atoi(rel->ListHeightText) * 9 + 22
                                                : (small ? Small_List_Box_Height : Large_List_Box_Height);
    L.height += Inter_Ctrl_Height;
    char label[400];
    snprintf(label, sizeof label, "%s:", rel->Caption);
    L.Add(DLGCLASS_STATIC, label, ChildListLabelId(r), Left_Gap, L.height, L.width - Left_Gap - Right_Gap,
          Label_Height, 0x00020000);
    L.height += Norm_Height;
    const int buttonX = L.width - Right_Gap - Def_AED_Butt_Width;
    L.Add("SysListView32", "", ChildListId(r), Left_Gap, L.height,
          buttonX - Inter_Ctrl_Ctrl_Gap - Left_Gap, listHeight, 0x0083100D);
    const int step = Norm_Height + (small ? Small_Inter_Butt_Height : Large_Inter_Butt_Height);
    const int top = L.height + (listHeight - 3 * step - Norm_Height) / 2;
    const struct {
      const char* text;
      int id;
    } childButtons[3] = {{"&Add", ChildAddButtonId(r)}, {"&Edit", ChildEditButtonId(r)},
                         {"Dele&te", ChildDeleteButtonId(r)}};
    for (int k = 0; k < 3; ++k)
      L.Add(PushButtonClass(), childButtons[k].text, childButtons[k].id, buttonX, top + k * step,
            Def_AED_Butt_Width, Norm_Height, FLAT_BUTTON_STYLE);
    L.Add(DLGCLASS_STATIC, "", ChildCountLabelId(r), buttonX, top + 3 * step, Def_AED_Butt_Width, Norm_Height,
          0x00020001);
    L.height += listHeight;
  }
  L.height += Inter_Ctrl_Height;
}

// RUN buttons, record navigation, status line and the bottom buttons.
void MainPageRows(TLayout& L, bool container) {
  const char* prefix = "RUN:";
  int n = 0;
  for (int p = 0; p < TheModel.ParamCount; ++p) {
    const TModelParam* param = &TheModel.Params[p];
    if (!StartsWithNoCase(param->Name, prefix)) continue;
    const char* after = nullptr;
    if (!NamesEntity(param->Name + strlen(prefix), L.entity, &after) || *after != ':') continue;
    const int number = atoi(after + 1);
    if (number < 0 || number >= RUN_BUTTON_COUNT) continue;
    if (n == 0 && !container && !L.hasRelControls && L.hasFields) L.height += Inter_Ctrl_Height;
    else if (n > 0 && n % 3 == 0) L.height += Inter_Ctrl_Height;
    L.Add(PushButtonClass(), param->Value, RunButtonId(number), RowButtonX(L, Run_Butt_Width, n), L.height,
          Run_Butt_Width, Norm_Height, RUN_BUTTON_STYLE);
    ++n;
    if (n % 3 == 0) L.height += Norm_Height;
  }
  if (n % 3 != 0) L.height += Norm_Height;

  L.height += Inter_Ctrl_Height;
  static const char* const navigation[4] = {"|<", "<", ">", ">|"};
  for (int k = 0; k < 4; ++k)
    L.Add(PushButtonClass(), navigation[k], FIRST_BUTTON_ID + k, Left_Gap + k * (VCR_Butt_Width + Inter_VCR_Butt_Gap),
          L.height, VCR_Butt_Width, VCR_Butt_Height, FLAT_BUTTON_STYLE);
  const int statusX = Left_Gap + 4 * VCR_Butt_Width + 5 * Inter_VCR_Butt_Gap;
  L.Add(DLGCLASS_STATIC, "", STATUS_LINE_ID, statusX, L.height + Msg_Y_Off, L.width - statusX,
        2 * Label_Height, WS_GROUP);
  L.height += VCR_Butt_Height + Label_Height;

  static const struct {
    const char* text;
    int id;
  } buttons[BOTTOM_BUTTON_COUNT] = {{"&Save", SAVE_BUTTON_ID},    {"&Find", FIND_BUTTON_ID},
                                     {"&Delete", DELETE_BUTTON_ID}, {"&Reset", RESET_BUTTON_ID},
                                     {"&Print", PRINT_BUTTON_ID},   {"Re&fresh", REFRESH_BUTTON_ID},
                                     {"Cancel", CANCEL_BUTTON_ID},  {"&Help", HELP_BUTTON_ID},
                                     {"&Import", IMPORT_BUTTON_ID}};
  const double gap = static_cast<double>(L.width - Left_Gap - Right_Gap -
                                         BOTTOM_BUTTON_COUNT * Bottom_Butt_Width) /
                     (BOTTOM_BUTTON_COUNT - 1);
  for (int k = 0; k < BOTTOM_BUTTON_COUNT; ++k) {
    const int x = static_cast<int>(Left_Gap + k * (Bottom_Butt_Width + gap));
    const DWORD style = FLAT_BUTTON_STYLE | (k == 0 ? BS_DEFPUSHBUTTON : 0);
    L.Add(PushButtonClass(), buttons[k].text, buttons[k].id, x, L.height, Bottom_Butt_Width,
          Bottom_Butt_Height, style);
  }
  L.height += Bottom_Butt_Height + Inter_Ctrl_Height + Bottom_Gap;
}

void PlaceFields(TLayout& L, const std::vector<int>& list) {
  for (int i : list) PlaceField(L, &L.entity->Attributes[i], i);
}

void Divider(TLayout& L) {
  L.height += Before_Div_Line_Height;
  L.Add(DLGCLASS_STATIC, "", DIVIDER_ID, Left_Gap, L.height, L.width - Left_Gap - Right_Gap, 1,
        0x00021007);
  L.height += After_Div_Line_Height;
}

void ResetRun(TLayout& L) {
  L.height = Top_Gap;
  L.rowX = Left_Gap;
  L.rowY = L.height;
  L.hasFields = false;
  L.hasRelControls = false;
  L.relButtonGiven.assign(static_cast<size_t>(L.entity->RelationshipCount), 0);
}

// The width a page needs: the fields measured without placing anything.
int MeasureWidth(const TEntity* entity, int page, int baseWidth, const std::vector<int>& keys,
                 const std::vector<int>& others) {
  TLayout L;
  L.entity = entity;
  L.page = page;
  L.width = baseWidth;
  ResetRun(L);
  PlaceFields(L, keys);
  PlaceFields(L, others);
  return std::max(baseWidth, L.maxRight + Right_Gap);
}

int PageBaseWidth(int page) { return page == 0 ? Norm_Dlg_Width : Sec_Page_Dlg_Width; }

// Width and height of a page's content, for the container.
void MeasureFormPage(const TEntity* entity, int page, int* width, int* height) {
  std::vector<int> keys, others;
  SplitAttributes(entity, page, &keys, &others);
  TLayout L;
  L.entity = entity;
  L.page = page;
  L.width = MeasureWidth(entity, page, PageBaseWidth(page), keys, others);
  ResetRun(L);
  PlaceFields(L, keys);
  if (!keys.empty() && !others.empty()) {
    L.height += Before_Div_Line_Height + After_Div_Line_Height;
    L.Cover(L.height + 1);
  }
  PlaceFields(L, others);
  RelationshipControls(L);
  *width = L.width;
  *height = L.height;
}

void FormPosition(const TEntity* entity, int page, int keyGroupHeight, int* x, int* y) {
  *x = Init_Dlg_X + Sec_Page_Cascade_X_Off * page;
  *y = Init_Dlg_Y;
  const char* prefix = "XY:";
  for (int p = 0; p < TheModel.ParamCount; ++p) {
    const TModelParam* param = &TheModel.Params[p];
    const char* after = nullptr;
    if (!StartsWithNoCase(param->Name, prefix) ||
        !NamesEntity(param->Name + strlen(prefix), entity, &after) || *after)
      continue;
    const char* value = param->Value;
    if (*value && *value != ',') *x = atoi(value) + Sec_Page_Cascade_X_Off * page;
    const char* comma = strchr(value, ',');
    if (comma) *y = atoi(comma + 1);
  }
  if (page >= 1) *y += keyGroupHeight + SECONDARY_PAGE_TOP_OFFSET;
}

HGLOBAL StartTemplate(TLayout& L, DWORD style, const char* title, int x, int y) {
  CreateDlgTemplate(&L.block, &L.size, style, static_cast<short>(x), static_cast<short>(y), 1, 1, "",
                    "EditDlg", title, static_cast<WORD>(FontSize), FontName);
  L.emit = L.block != nullptr;
  return L.block;
}

HGLOBAL BuildContainer(const TEntity* entity, int* width) {
  int widest = 0, tallest = 0;
  for (int page = 0; page <= entity->PageCount; ++page) {
    int w = 0, h = 0;
    MeasureFormPage(entity, page, &w, &h);
    widest = std::max(widest, w);
    tallest = std::max(tallest, h);
  }
  TLayout L;
  L.entity = entity;
  L.page = -1;
  L.width = widest + 6;
  *width = L.width;
  int x, y;
  FormPosition(entity, -1, 0, &x, &y);
  if (!StartTemplate(L, FORM_STYLE, entity->Caption, x, y)) return nullptr;
  ResetRun(L);
  const int tabHeight = tallest + 24;
  L.Add("SysTabControl32", " ", TAB_CONTROL_ID, 0, 0, L.width - 1, tabHeight, WS_TABSTOP | WS_GROUP);
  L.height = tabHeight;
  MainPageRows(L, true);
  SetDlgTemplateXYWH(L.block, static_cast<short>(x), static_cast<short>(y),
                     static_cast<short>(L.width), static_cast<short>(L.height));
  return L.block;
}

}  // namespace

const char* PageCaption(const TEntity* entity, int n) {
  static char caption[256];
  const std::string name = PageParamName(entity, n);
  caption[0] = '\0';
  for (int p = 0; p < TheModel.ParamCount; ++p) {
    if (lstrcmpiA(TheModel.Params[p].Name, name.c_str()) != 0) continue;
    const char* value = TheModel.Params[p].Value;
    char* out = caption;
    for (; *value && out < caption + sizeof caption - 1; ++value)
      if (*value != '&') *out++ = *value;
    *out = '\0';
    return caption;
  }
  strcpy(caption, "Details");
  return caption;
}

int FieldWidth(const TAttribute* a, int formWidth) {
  const int cap = Norm_Dlg_Width - Left_Gap - Right_Gap - Def_Label_Width - Inter_Lbl_Ctrl_Gap;
  const int length = DisplayLength(a);
  if (IsCheckBoxField(a)) return (CountChars(a->Caption) + Check_Box_Ch_Extra) * Norm_Ch_Width;
  if (IsRadioGroupField(a)) {
    int total = 0;
    const TCodeList* list = a->CodeList;
    for (int k = 0; list && k < list->ItemCount; ++k)
      total += RadioItemWidth(list->Items[k]) + (k ? Inter_Radio_Butt_Gap : 0);
    total += 2 * First_Radio_Butt_X_Off;
    return std::min(total, formWidth - Left_Gap - Right_Gap);
  }
  if (IsDropListCombo(a)) return std::min((length + Combo_Box_Ch_Extra) * Norm_Ch_Width, cap);
  if (IsEditableCombo(a)) return std::min((length + Edtbl_Combo_Box_Ch_Extra) * Norm_Ch_Width, cap);
  if (a->SqlType == SQL_DATE || a->SqlType == SQL_TYPE_DATE) return a->Calculated ? 50 : 65;
  if (a->SqlType == SQL_TIME || a->SqlType == SQL_TYPE_TIME) return 55;
  return std::min((length + Edit_Ctrl_Ch_Extra) * Norm_Ch_Width, cap);
}

HGLOBAL BuildFormTemplate(const TEntity* entity, int page, int* keyGroupHeight, int child,
                          int* width) {
  if (page < 0) return BuildContainer(entity, width);

  std::vector<int> keys, others;
  SplitAttributes(entity, page, &keys, &others);
  TLayout L;
  L.entity = entity;
  L.page = page;
  L.width = MeasureWidth(entity, page, PageBaseWidth(page), keys, others);

  char title[600];
  if (page == 0) {
    snprintf(title, sizeof title, "%s", entity->Caption);
  } else {
    const char* caption = PageCaption(entity, page);
    const std::string name = PageParamName(entity, page);
    bool named = false;
    for (int p = 0; p < TheModel.ParamCount && !named; ++p)
      named = lstrcmpiA(TheModel.Params[p].Name, name.c_str()) == 0;
    if (named) snprintf(title, sizeof title, "%s: %s", entity->Caption, caption);
    else snprintf(title, sizeof title, "%s: (Secondary Page %d)", entity->Caption, page);
  }
  int x, y;
  FormPosition(entity, page, *keyGroupHeight, &x, &y);
  if (!StartTemplate(L, child ? CHILD_PAGE_STYLE : FORM_STYLE, title, x, y)) return nullptr;

  ResetRun(L);
  PlaceFields(L, keys);
  if (!keys.empty()) {
    if (page == 0) *keyGroupHeight = L.height;
    Divider(L);
    L.Cover(L.height);
  }
  L.rowX = Left_Gap;
  PlaceFields(L, others);
  RelationshipControls(L);
  if (page == 0 && !child) MainPageRows(L, false);

  const int finalWidth = child && *width > 0 ? *width : L.width;
  if (!child) *width = L.width;
  SetDlgTemplateXYWH(L.block, static_cast<short>(x), static_cast<short>(y),
                     static_cast<short>(finalWidth), static_cast<short>(L.height));
  return L.block;
}
