// The edit form's fields: setting the controls up, showing the record in them and reading
// it back for every display kind, defaults, the form state and the field notifications.
#include <windows.h>

#include <commctrl.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/core/datetime.h"
#include "data/core/userprofile.h"
#include "data/db/columnvalues.h"
#include "data/db/userrights.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/editdlg.h"
#include "forms/colortable.h"
#include "forms/edittemplates.h"
#include "forms/controlids.h"
#include "forms/editparts.h"
#include "forms/reclistbox.h"
#include "forms/preferences.h"
#include "forms/tabpages.h"
#include "forms/appwindow.h"

namespace {

enum class TFieldKind { None, CheckBox, RadioGroup, DropList, EditCombo, DatePicker, TimePicker, Text };

bool IsCharColumn(const TAttribute& a) { return a.SqlType == SQL_CHAR || a.SqlType == SQL_VARCHAR; }
bool IsDateColumn(const TAttribute& a) { return a.SqlType == SQL_DATE || a.SqlType == SQL_TYPE_DATE; }
bool IsTimeColumn(const TAttribute& a) { return a.SqlType == SQL_TIME || a.SqlType == SQL_TYPE_TIME; }
bool IsTimestampColumn(const TAttribute& a) {
  return a.SqlType == SQL_TIMESTAMP || a.SqlType == SQL_TYPE_TIMESTAMP;
}

int CodeCount(const TAttribute& a) { return a.CodeList ? a.CodeList->ItemCount : 0; }

// The kind is decided by the control the layout made, not by the column alone.
TFieldKind KindOf(const TAttribute& a, HWND control) {
  if (IsCheckBoxField(&a)) return TFieldKind::CheckBox;
  if (IsRadioGroupField(&a)) return TFieldKind::RadioGroup;
  if (!control) return TFieldKind::None;
  if (IsEditableCombo(&a)) return TFieldKind::EditCombo;
  if (IsDropListCombo(&a)) return TFieldKind::DropList;
  char cls[64] = "";
  GetClassNameA(control, cls, sizeof cls);
  if (lstrcmpiA(cls, DATETIMEPICK_CLASSA) == 0)
    return (GetWindowLongA(control, GWL_STYLE) & DTS_TIMEFORMAT) == DTS_TIMEFORMAT ? TFieldKind::TimePicker
                                                                                   : TFieldKind::DatePicker;
  return TFieldKind::Text;
}

bool HasBlankEntry(const TAttribute& a) { return !a.EffectiveMandatory; }

// The position of the value among the code list's items (a code for text columns, a
// number for others), -1 when it is not there.
int CodeIndex(const TAttribute& a, const char* value) {
  const int count = CodeCount(a);
  if (IsCharColumn(a)) {
    for (int k = 0; k < count; ++k)
      if (strcmp(a.CodeList->Items[k].Key, value) == 0) return k;
    return -1;
  }
  char* end = nullptr;
  const long n = strtol(value, &end, 10);
  if (end == value || *end) return -1;
  return n >= 0 && n < count ? static_cast<int>(n) : -1;
}

std::string CodeText(const TAttribute& a, int k) {
  if (IsCharColumn(a)) return a.CodeList->Items[k].Key;
  return std::to_string(k);
}

// The combo position that shows the value: the first entry for an empty value.
int ComboPosition(const TAttribute& a, const char* value) {
  if (!*value) return HasBlankEntry(a) || CodeCount(a) > 0 ? 0 : -1;
  const int k = CodeIndex(a, value);
  if (k < 0) return -1;
  return k + (HasBlankEntry(a) ? 1 : 0);
}

bool IsTrueText(const char* value) {
  return atoi(value) != 0 || *value == 't' || *value == 'T' || *value == 'y' || *value == 'Y';
}

int CheckState(const TAttribute& a, const char* value) {
  if (!*value && !a.EffectiveMandatory) return BST_INDETERMINATE;
  return IsTrueText(value) ? BST_CHECKED : BST_UNCHECKED;
}

// The radio button that shows the value, -1 for none.
int RadioIndex(const TAttribute& a, const char* value) { return *value ? CodeIndex(a, value) : -1; }

std::string DisplayText(const TAttribute& a, const char* value) {
  if (IsDateColumn(a)) return DateToDisplay(value, "", &a);
  if (IsTimeColumn(a)) return TimeToDisplay(value, "", &a);
  if (IsTimestampColumn(a)) return TimestampToDisplay(value, "", &a);
  return value;
}

std::string StoredText(const TAttribute& a, const char* text) {
  if (IsDateColumn(a)) return DisplayToDbDate(text, "", &a);
  if (IsTimeColumn(a)) return DisplayToDbTime(text, "", &a);
  if (IsTimestampColumn(a)) return DisplayToDbTimestamp(text, "", &a);
  return text;
}

// What a picker shows of a value: the date or the time part, empty for no date.
std::string PickerText(const char* value, bool time) {
  std::string v = value;
  if (time) {
    const size_t blank = v.find(' ');
    if (blank != std::string::npos) v = v.substr(blank + 1);
    return v.substr(0, 8);
  }
  v = v.substr(0, 10);
  return v == "1901-01-01" ? "" : v;
}

std::string WindowText(HWND control) {
  const int length = GetWindowTextLengthA(control);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(control, &text[0], length + 1);
  text.resize(strlen(text.c_str()));
  return text;
}

HFONT MakeFont(const char* face, const char* size, const char* style) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTA font = {};
  font.lfHeight = *size ? -(atoi(size) * dpi / 72) : -(dpi * 8 / 72);
  std::string lower = style;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  font.lfWeight = lower.find('b') != std::string::npos ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = lower.find('u') != std::string::npos;
  font.lfItalic = lower.find('i') != std::string::npos;
  font.lfStrikeOut = lower.find('s') != std::string::npos;
  lstrcpynA(font.lfFaceName, *face ? face : "MS Sans Serif", LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

}  // namespace

// ---- where the controls are ----------------------------------------------------------------

HWND TEditDlg::PageWindow(int page) {
  if (entity_->PageCount <= 0) return window_;
  HWND host = FormPageWindow(window_, page);
  if (host && page >= 0 && page < MAX_FORM_PAGES && (closedPages_ & (1u << page))) {
    closedPages_ &= ~(1u << page);
    RestorePage(page);
  }
  return host;
}

void TEditDlg::RestorePage(int page) {
  SetupControls(window_, page);
  showing_ = true;
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (!a.Hidden && a.Page == page) ShowField(i);
  }
  showing_ = false;
}

void TEditDlg::ShowSelectedPage() {
  TTabPages::OnTabChange(this, window_, true);
  // A closed page the tab change made again is set up and filled now.
  const int selected = pages_ ? static_cast<int>(SendMessageA(pages_->TabControl(), TCM_GETCURSEL, 0, 0)) : -1;
  if (selected >= 0 && selected < MAX_FORM_PAGES && (closedPages_ & (1u << selected))) PageWindow(selected);
}

HWND TEditDlg::FieldItem(int attribute, int id) {
  const TAttribute& a = entity_->Attributes[attribute];
  HWND host = PageWindow(entity_->PageCount > 0 ? a.Page : 0);
  return host ? GetDlgItem(host, id) : nullptr;
}

void TEditDlg::SetStatusLine(const char* text) {
  if (window_) SetDlgItemTextA(window_, STATUS_LINE_ID, text);
}

// ---- initialisation -----------------------------------------------------------------------

INT_PTR TEditDlg::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
  TGuard guard(this);  // the child lists fetch their rows pumping messages
  window_ = window;
  if (entity_->PageCount > 0) pages_ = BuildFormPages(this, window, EditPageProc);
  for (int page = 0; page <= (entity_->PageCount > 0 ? entity_->PageCount : 0); ++page) {
    SetupControls(window, page);
    if (Destroyed()) return FALSE;
  }
  ClearControls();
  RecalculateFields();
  ShowRecord();
  if (Destroyed()) return FALSE;
  const bool existing = mode_ != TFormMode::NewRecord;
  SetFormState(window, existing ? TFormState::Existing : TFormState::Fresh);
  AfterChangeHook(window, existing ? 1 : 0);
  ApplyRights(window);
  ApplyFieldFonts();
  FocusFirstField(window);
  singleFind_ = false;
  return FALSE;
}

void TEditDlg::ApplyRights(HWND window) {
  if (!OdbcLogin) {
    for (int id : {DELETE_BUTTON_ID, IMPORT_BUTTON_ID}) EnableWindow(GetDlgItem(window_, id), TRUE);
    storeRight_ = true;
    ApplySaveRule();
    return;
  }
  const int rights = CheckUserRights(window, entity_->Name, CurrentUser.UserId, false);
  storeRight_ = (rights & RIGHT_STORE) != 0;
  ApplySaveRule();
  EnableWindow(GetDlgItem(window_, DELETE_BUTTON_ID), (rights & RIGHT_DELETE) != 0);
  EnableWindow(GetDlgItem(window_, IMPORT_BUTTON_ID), (rights & (RIGHT_STORE | RIGHT_DELETE)) == (RIGHT_STORE | RIGHT_DELETE));
  for (int r = 0; r < entity_->RelationshipCount; ++r) {
    const TRelationship& rel = entity_->Relationships[r];
    if (rel.PrimaryEntity != entity_ || rel.Kind() != 2 || !rel.WithEntity) continue;
    const int related = CheckUserRights(window, rel.WithEntity->Name, CurrentUser.UserId, false);
    HWND host = PageWindow(rel.Page());
    EnableWindow(GetDlgItem(host, CHILD_ADD_BUTTON_ID_BASE + r), (related & RIGHT_STORE) != 0);
    EnableWindow(GetDlgItem(host, CHILD_DELETE_BUTTON_ID_BASE + r), (related & RIGHT_DELETE) != 0);
  }
}

void TEditDlg::ApplyFieldFonts() {
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    TAttribute& a = entity_->Attributes[i];
    if (a.Hidden) continue;
    if (entity_->PageCount > 0 && pageContext_ >= 0 && a.Page != pageContext_) continue;
    if (!*a.FontFace && !*a.FontSize && !*a.FieldStyle && !*a.LabelStyle) continue;
    if (!a.Fonts[0] && (*a.FontFace || *a.FontSize || *a.FieldStyle)) a.Fonts[0] = MakeFont(a.FontFace, a.FontSize, a.FieldStyle);
    if (!a.Fonts[1] && *a.LabelStyle) a.Fonts[1] = MakeFont(a.FontFace, a.FontSize, a.LabelStyle);
    if (a.Fonts[0]) SendMessageA(FieldItem(i, FIELD_ID_BASE + i), WM_SETFONT, reinterpret_cast<WPARAM>(a.Fonts[0]), TRUE);
    if (a.Fonts[1]) SendMessageA(FieldItem(i, LABEL_ID_BASE + i), WM_SETFONT, reinterpret_cast<WPARAM>(a.Fonts[1]), TRUE);
  }
}

void TEditDlg::SetupControls(HWND, int page) {
  const TRelationship* reverse = parentRelationship_ ? parentRelationship_->Reverse : nullptr;
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (entity_->PageCount > 0 && a.Page != page) continue;
    HWND control = FieldItem(i, FIELD_ID_BASE + i);
    if (!control) continue;
    const TFieldKind kind = KindOf(a, control);
    if (kind == TFieldKind::EditCombo && a.ColumnSize > 0) SendMessageA(control, CB_LIMITTEXT, a.ColumnSize, 0);
    if (kind == TFieldKind::Text && a.ColumnSize > 0 && IsCharColumn(a) && IsPlainField(&a))
      SendMessageA(control, EM_LIMITTEXT, a.ColumnSize, 0);
    if (kind == TFieldKind::DropList || kind == TFieldKind::EditCombo) {
      SendMessageA(control, CB_RESETCONTENT, 0, 0);
      if (HasBlankEntry(a)) SendMessageA(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
      for (int k = 0; k < CodeCount(a); ++k) {
        const TCodeListItem& item = a.CodeList->Items[k];
        const char* text = kind == TFieldKind::EditCombo || !*item.Caption ? item.Key : item.Caption;
        SendMessageA(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      }
    }
    if (reverse && a.ForeignRel == reverse) EnableWindow(control, FALSE);
  }
  if (reverse) {
    for (int r = 0; r < entity_->RelationshipCount; ++r) {
      if (&entity_->Relationships[r] != reverse) continue;
      HWND host = PageWindow(entity_->Relationships[r].Page());
      EnableWindow(GetDlgItem(host, LOOKUP_BUTTON_ID_BASE + r), FALSE);
      EnableWindow(GetDlgItem(host, SHOW_RELATED_BUTTON_ID_BASE + r), FALSE);
    }
  }
  SetupChildLists(page);
}

void TEditDlg::SetupChildLists(int page) {
  for (int r = 0; r < entity_->RelationshipCount; ++r) {
    TRelationship& rel = entity_->Relationships[r];
    if (childLists_[r] || rel.PrimaryEntity != entity_) continue;
    if (!rel.ToMany && rel.ForeignEntity == entity_) continue;
    if (rel.Kind() != 2 && rel.Kind() != 3) continue;
    if (entity_->PageCount > 0 && rel.Page() != page) continue;
    HWND host = PageWindow(rel.Page());
    HWND list = GetDlgItem(host, CHILD_LIST_ID_BASE + r);
    if (!list) continue;
    childLists_[r] = MakeChildList(list, &rel, record_);
    SetDlgItemTextA(host, CHILD_COUNT_LABEL_ID_BASE + r, ListStatusText(childLists_[r]).c_str());
  }
}

void TEditDlg::DeleteChildLists() {
  for (int r = 0; r < entity_->RelationshipCount; ++r) {
    DeleteListBox(childLists_[r]);
    childLists_[r] = nullptr;
  }
}

// ---- record and defaults ------------------------------------------------------------------

void TEditDlg::ClearControls() {
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (a.NonStored || a.Calculated || !a.EffectiveMandatory || a.Default) continue;
    const bool choice = IsCheckBoxField(&a) || IsRadioGroupField(&a) || IsDropListCombo(&a);
    if (!choice || *record_->Field(i).CurrentValue()) continue;
    if ((IsDropListCombo(&a) || IsRadioGroupField(&a)) && IsCharColumn(a)) {
      if (CodeCount(a) > 0) record_->Field(i).SetNewValue(a.CodeList->Items[0].Key);
    } else {
      record_->Field(i).SetNewValue("0");
    }
  }
}

void TEditDlg::SetDefaults(int keep) {
  const TRelationship* reverse = parentRelationship_ ? parentRelationship_->Reverse : nullptr;
  auto kept = [&](const TAttribute& a, bool withKeepFlag) {
    return IsStoredAttribute(a) && ((withKeepFlag && a.KeepOnReset) || (reverse && a.ForeignRel == reverse));
  };
  TDBRecord* saved = NewDBRecord(entity_->Name);
  for (int i = 0; i < entity_->AttributeCount; ++i)
    if (kept(entity_->Attributes[i], keep == 0)) saved->Field(i) = record_->Field(i);
  record_->Reset();
  record_->ApplyDefaults();
  for (int i = 0; i < entity_->AttributeCount; ++i)
    if (kept(entity_->Attributes[i], keep == 0)) record_->Field(i).SetNewValue(saved->Field(i).CurrentValue());
  delete saved;
}

void TEditDlg::ShowField(int i) {
  const TAttribute& a = entity_->Attributes[i];
  HWND control = FieldItem(i, FIELD_ID_BASE + i);
  const char* value = record_->Field(i).CurrentValue();
  switch (KindOf(a, control)) {
    case TFieldKind::None:
      return;
    case TFieldKind::CheckBox:
      SendMessageA(control, BM_SETCHECK, CheckState(a, value), 0);
      return;
    case TFieldKind::RadioGroup: {
      const int chosen = RadioIndex(a, value);
      for (int k = 0; k < CodeCount(a); ++k)
        SendMessageA(FieldItem(i, RADIO_BUTTON_ID_BASE + i * RADIO_BUTTONS_PER_ATTRIBUTE + k), BM_SETCHECK, k == chosen ? BST_CHECKED : BST_UNCHECKED, 0);
      return;
    }
    case TFieldKind::DropList:
      SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(ComboPosition(a, value)), 0);
      return;
    case TFieldKind::EditCombo:
      SetWindowTextA(control, value);
      return;
    case TFieldKind::DatePicker:
    case TFieldKind::TimePicker: {
      const bool time = KindOf(a, control) == TFieldKind::TimePicker;
      const char* picture = time ? TimePicture(TimeFormat) : DatePicture(DateFormat);
      SendMessageA(control, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(picture));
      SYSTEMTIME moment;
      const std::string shown = PickerText(value, time);
      if (shown.empty()) {
        GetLocalTime(&moment);
        SendMessageA(control, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&moment));
        SendMessageA(control, DTM_SETSYSTEMTIME, GDT_NONE, reinterpret_cast<LPARAM>(&moment));
      } else {
        ParseDateTime(time ? ("1901-01-01 " + shown).c_str() : shown.c_str(), &moment);
        SendMessageA(control, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&moment));
      }
      return;
    }
    case TFieldKind::Text:
      SetWindowTextA(control, DisplayText(a, value).c_str());
      return;
  }
}

void TEditDlg::RecordToControls(HWND) {
  showing_ = true;
  for (int i = 0; i < entity_->AttributeCount; ++i)
    if (!entity_->Attributes[i].Hidden) ShowField(i);
  showing_ = false;
}

// Reads one field; a control left as the record's value showed it keeps that value as it
// is (so a round trip changes nothing). False when the column cannot take the text.
bool TEditDlg::ReadField(int i) {
  const TAttribute& a = entity_->Attributes[i];
  HWND control = FieldItem(i, FIELD_ID_BASE + i);
  TDBFieldValue& field = record_->Field(i);
  const std::string current = field.CurrentValue();
  std::string read;
  switch (KindOf(a, control)) {
    case TFieldKind::None:
      return true;
    case TFieldKind::CheckBox: {
      const int state = static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0));
      if (state == CheckState(a, current.c_str())) return true;
      read = state == BST_CHECKED ? "1" : state == BST_UNCHECKED || a.EffectiveMandatory ? "0" : "";
      break;
    }
    case TFieldKind::RadioGroup: {
      int chosen = -1;
      for (int k = 0; k < CodeCount(a); ++k)
        if (SendMessageA(FieldItem(i, RADIO_BUTTON_ID_BASE + i * RADIO_BUTTONS_PER_ATTRIBUTE + k), BM_GETCHECK, 0, 0) == BST_CHECKED) chosen = k;
      if (chosen < 0 || chosen == RadioIndex(a, current.c_str())) return true;
      read = CodeText(a, chosen);
      break;
    }
    case TFieldKind::DropList: {
      const int position = static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
      if (position == CB_ERR || position == ComboPosition(a, current.c_str())) return true;
      const int k = position - (HasBlankEntry(a) ? 1 : 0);
      if (k >= CodeCount(a)) return true;
      read = k < 0 ? "" : CodeText(a, k);
      break;
    }
    case TFieldKind::EditCombo:
      read = WindowText(control);
      if (read == current) return true;
      break;
    case TFieldKind::DatePicker:
    case TFieldKind::TimePicker: {
      const bool time = KindOf(a, control) == TFieldKind::TimePicker;
      SYSTEMTIME moment = {};
      const LRESULT got = SendMessageA(control, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&moment));
      read = got == GDT_VALID ? FormatDateTime(&moment, time ? 2 : 1) : "";
      if (read == PickerText(current.c_str(), time)) return true;
      break;
    }
    case TFieldKind::Text: {
      const std::string text = WindowText(control);
      if (text == DisplayText(a, current.c_str())) return true;
      read = StoredText(a, text.c_str());
      break;
    }
  }
  if (!ColumnTakes(a, read.c_str())) return false;
  field.SetNewValue(read.c_str());
  return true;
}

bool TEditDlg::ControlsToRecord(HWND) {
  int refused = -1;
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (a.Hidden || a.NonStored || IsReadOnlyField(&a)) continue;
    if (!ReadField(i) && refused < 0) refused = i;
  }
  record_->SetStatus(0);
  if (refused >= 0) record_->SetError(RecordInvalidData, entity_->Attributes[refused].Caption);
  return refused < 0;
}

void TEditDlg::RecalculateFields() {
  record_->RefreshCalculated();
  if (!record_->IsOk()) return;
  // Computed columns that are stored hold what was last stored: they are computed afresh
  // from the values on the form, and keep their value when the result is the same.
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (!a.Calculated || !a.Default || !IsStoredAttribute(a)) continue;
    const std::string value = record_->Evaluate(a.Default, a.SqlType, a.ColumnSize, a.DecimalDigits);
    if (!record_->IsOk()) return;
    if (value != record_->Field(i).CurrentValue()) record_->Field(i).SetNewValue(value.c_str());
  }
}

bool TEditDlg::HasUserChanges() {
  for (int i = 0; i < entity_->AttributeCount; ++i)
    if (!entity_->Attributes[i].Calculated && record_->Field(i).IsChanged()) return true;
  return false;
}

void TEditDlg::ShowRecord() { RecordToControls(window_); }

bool TEditDlg::ReadForm() { return window_ ? ControlsToRecord(window_) : true; }

void TEditDlg::NewRecord(int keep) {
  SetDefaults(keep);
  ClearControls();
  RecalculateFields();
  ShowRecord();
  if (!window_) return;
  AfterChangeHook(window_, 0);
  PushLinkedValues(window_);
}

void TEditDlg::AssignRecord(TDBRecord* record) {
  record_->Assign(*record);
  RecalculateFields();
  ShowRecord();
  if (!window_) return;
  AfterChangeHook(window_, 0);
  PushLinkedValues(window_);
}

void TEditDlg::Redisplay(HWND, int push) {
  RecalculateFields();
  ShowRecord();
  if (push && window_) PushLinkedValues(window_);
}

void TEditDlg::AfterChangeHook(HWND, int) {}

void TEditDlg::AfterStoreHook(HWND) {}

void TEditDlg::SetFormState(HWND, TFormState state) {
  state_ = state;
  if (UpdatesRefused()) ApplySaveRule();
}

// "UPDATE:<entity>" = n: records of the entity are stored once and never changed.
bool TEditDlg::UpdatesRefused() const {
  char name[300];
  snprintf(name, sizeof name, "UPDATE:%s", entity_->Name);
  const TModelParam* param = TheModel.FindParam(name);
  return param && (param->Value[0] == 'n' || param->Value[0] == 'N');
}

// Save needs the user's store right, and is off while the record exists when updates are refused.
void TEditDlg::ApplySaveRule() {
  if (!window_) return;
  const bool refused = UpdatesRefused() && record_->Exists();
  EnableWindow(GetDlgItem(window_, SAVE_BUTTON_ID), storeRight_ && !refused);
}

void TEditDlg::FocusFirstField(HWND) {
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (a.Page != 0 || a.Hidden || a.NonStored || a.Calculated) continue;
    HWND control = FieldItem(i, FIELD_ID_BASE + i);
    if (IsRadioGroupField(&a)) control = FieldItem(i, RADIO_BUTTON_ID_BASE + i * RADIO_BUTTONS_PER_ATTRIBUTE);
    if (control && IsWindowEnabled(control)) {
      SetFocus(control);
      return;
    }
  }
  SetFocus(GetDlgItem(window_, SAVE_BUTTON_ID));
}

// ---- field notifications ------------------------------------------------------------------

namespace {
int FieldOf(const TEntity* entity, WPARAM wParam) {
  const int i = LOWORD(wParam) - FIELD_ID_BASE;
  return i >= 0 && i < entity->AttributeCount ? i : -1;
}
}  // namespace

INT_PTR TEditDlg::OnFieldChange(HWND window, UINT, WPARAM, LPARAM) {
  if (!showing_ && state_ == TFormState::Fresh) SetFormState(window, TFormState::FreshEdited);
  return TRUE;
}

INT_PTR TEditDlg::OnFieldKillFocus(HWND, UINT, WPARAM wParam, LPARAM) {
  const int i = FieldOf(entity_, wParam);
  if (Preferences.AutoRecalc && i >= 0) RecalcAfterField(i);
  return TRUE;
}

void TEditDlg::RecalcAfterField(int i) {
  const TAttribute& a = entity_->Attributes[i];
  if (!a.Referenced) return;
  if (a.KeyPart && Preferences.AutoFind) return;
  ReadForm();
  RecalculateFields();
  ShowRecord();
}

void TEditDlg::ShowFieldHelp(int i) {
  if (!FieldHelp || i < 0) return;
  const TAttribute& a = entity_->Attributes[i];
  SetStatusText("%s: %s", a.Caption, a.HelpText);
}

INT_PTR TEditDlg::OnFieldSetFocus(HWND, UINT, WPARAM wParam, LPARAM) {
  const int i = FieldOf(entity_, wParam);
  ShowFieldHelp(i);
  if (Preferences.AutoFind && !singleFind_ && i >= 0) QuickSearch(i);
  return TRUE;
}

INT_PTR TEditDlg::OnComboSetFocus(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return OnFieldSetFocus(window, message, wParam, lParam);
}

INT_PTR TEditDlg::OnComboEditUpdate(HWND, UINT, WPARAM wParam, LPARAM) {
  const int i = FieldOf(entity_, wParam);
  if (i < 0) return TRUE;
  // The flag '!' upper-cases what is typed, the flag '.' lower-cases it.
  const TAttribute& a = entity_->Attributes[i];
  const bool upper = HasAttrFlag(&a, '!');
  if (!upper && !HasAttrFlag(&a, '.')) return TRUE;
  HWND combo = FieldItem(i, FIELD_ID_BASE + i);
  const std::string text = WindowText(combo);
  std::string cased = text;
  for (char& c : cased)
    c = static_cast<char>(upper ? toupper(static_cast<unsigned char>(c)) : tolower(static_cast<unsigned char>(c)));
  if (cased == text) return TRUE;
  const LRESULT selection = SendMessageA(combo, CB_GETEDITSEL, 0, 0);
  SetWindowTextA(combo, cased.c_str());
  SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(LOWORD(selection), HIWORD(selection)));
  return TRUE;
}

INT_PTR TEditDlg::OnListCacheHint(HWND, UINT, WPARAM, LPARAM lParam) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (TRecListBox* box = GetChildList(static_cast<int>(header->idFrom) - CHILD_LIST_ID_BASE)) box->HandleNotify(header);
  return TRUE;
}

INT_PTR TEditDlg::OnListItemChanged(HWND, UINT, WPARAM, LPARAM) { return TRUE; }

INT_PTR TEditDlg::OnListFocus(HWND, UINT, WPARAM wParam, LPARAM lParam) {
  if (!FieldHelp) return TRUE;
  const int r = static_cast<int>(reinterpret_cast<NMHDR*>(lParam)->idFrom) - CHILD_LIST_ID_BASE;
  if (r < 0 || r >= entity_->RelationshipCount) return TRUE;
  const TRelationship& rel = entity_->Relationships[r];
  SetStatusText("List of %s for this particular %s (use buttons to right of list box)",
                rel.WithEntity ? rel.WithEntity->Caption : rel.Caption, entity_->Caption);
  return TRUE;
}

// ---- colours ------------------------------------------------------------------------------

INT_PTR TEditDlg::OnCtlColorEdit(HWND, UINT, WPARAM wParam, LPARAM lParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  const int i = FieldOf(entity_, static_cast<WPARAM>(GetDlgCtrlID(control)));
  if (i >= 0 && IsDropListCombo(&entity_->Attributes[i])) return FALSE;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  if (GetWindowLongA(control, GWL_STYLE) & ES_READONLY) {
    SetBkColor(dc, READ_ONLY_FIELD_COLOR);
    return reinterpret_cast<INT_PTR>(ReadOnlyFieldBrush());
  }
  HBRUSH brush = GetSysColorBrush(COLOR_WINDOW);
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  if (i < 0) return reinterpret_cast<INT_PTR>(brush);
  const TAttribute& a = entity_->Attributes[i];
  if (*a.TextColour) {
    std::string colour = a.TextColour;
    SetTextColor(dc, ParseColor(&colour[0]));
  }
  const TColorEntry* entry = *a.BackgroundColour ? FindColor(a.BackgroundColour) : nullptr;
  if (!entry && _strnicmp(a.Flags, "@C", 2) == 0) entry = FindColor(a.Flags + 2);
  if (entry) {
    SetBkColor(dc, entry->Color);
    brush = entry->Brush;
  }
  return reinterpret_cast<INT_PTR>(brush);
}

INT_PTR TEditDlg::OnCtlColorStatic(HWND, UINT, WPARAM wParam, LPARAM lParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  HBRUSH brush = reinterpret_cast<HBRUSH>(HandleCtlColor(dc, control));
  if (!brush) {
    const TColorEntry* entry = *entity_->Colour ? FindColor(entity_->Colour) : nullptr;
    brush = entry ? entry->Brush : GetSysColorBrush(COLOR_BTNFACE);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  }
  SetBkMode(dc, TRANSPARENT);
  const TPreferences& prefs = Preferences;
  const int id = GetDlgCtrlID(control);
  const int i = id - LABEL_ID_BASE;
  if (prefs.MandatoryFieldsColoring && i >= 0 && i < entity_->AttributeCount && entity_->Attributes[i].Mandatory)
    SetTextColor(dc, prefs.SpecialFieldsColor);
  if (id == STATUS_LINE_ID) SetTextColor(dc, prefs.ErrorMessagesColor);
  return reinterpret_cast<INT_PTR>(brush);
}

INT_PTR TEditDlg::OnCtlColorDlg(HWND, UINT, WPARAM, LPARAM) {
  const TColorEntry* entry = *entity_->Colour ? FindColor(entity_->Colour) : nullptr;
  return entry ? reinterpret_cast<INT_PTR>(entry->Brush) : FALSE;
}
