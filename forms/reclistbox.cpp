// Record list boxes: columns from the column text, row texts, fetching with messages
// pumped, the four kinds' queries, and the registry of list windows.
#include "forms/reclistbox.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/core/datetime.h"
#include "data/core/waitcursor.h"
#include "data/db/dialect.h"
#include "data/db/odbc.h"
#include "data/db/sqltypes.h"
#include "data/model/model.h"
#include "forms/basedlg.h"
#include "forms/controlids.h"
#include "forms/messagepump.h"
#include "forms/windowmanager.h"

namespace {

// ---- Columns ----

// Widest column a column text may ask for, in characters.
constexpr int MAX_COLUMN_WIDTH = 1000;

// Widest column, in characters, that a column of a model without a display width gets
// from the size of its column alone: a long text column stays a readable width.
constexpr int MAX_UNSIZED_COLUMN_WIDTH = 40;

// The characters a column of the attribute shows.
int ListWidth(const TAttribute* attribute) {
  const int width = FieldDisplayWidth(attribute);
  return attribute->DisplayWidth > 0 || attribute->CodeList ? width : std::min(width, MAX_UNSIZED_COLUMN_WIDTH);
}

bool StartsWithNoCase(const char* text, const char* prefix) {
  return _strnicmp(text, prefix, std::strlen(prefix)) == 0;
}

bool IsNoShow(const TAttribute& attribute) { return _stricmp(attribute.Flags, "noshow") == 0; }

bool IsPassword(const TAttribute& attribute) { return _stricmp(attribute.Flags, "@PASSWORD") == 0; }

// The reader of one column text; every step stops at the end of the text.
class TColumnTextReader {
public:
  explicit TColumnTextReader(const char* text) : text_(text) {}

  // Reads the entries up to the first blank outside a bracket.
  void Read(const TEntity* entity, std::vector<TListColumn>* columns) {
    while (Peek()) {
      std::string name = ReadName();
      std::string header;
      bool quoted = false;
      int width = 0;
      if (Peek() == '[') ReadBracket(&header, &quoted, &width);
      if (!name.empty()) columns->push_back(MakeColumn(entity, name, header, quoted, width));
      if (Peek() != ',') break;
      ++pos_;
    }
  }

private:
  char Peek() const { return text_[pos_]; }
  void SkipBlanks() {
    while (Peek() == ' ' || Peek() == '\t') ++pos_;
  }

  std::string ReadName() {
    std::string name;
    while (Peek() && Peek() != ',' && Peek() != '[' && Peek() != ' ' && Peek() != '\t')
      name += text_[pos_++];
    return name;
  }

  // "[" then a quoted header (a doubled quote stands for one), then ',' and a width, "]".
  void ReadBracket(std::string* header, bool* quoted, int* width) {
    ++pos_;
    SkipBlanks();
    const char quote = Peek();
    if (quote == '"' || quote == '\'') {
      *quoted = true;
      ++pos_;
      while (Peek()) {
        if (Peek() == quote) {
          if (text_[pos_ + 1] != quote) {
            ++pos_;
            break;
          }
          ++pos_;
        }
        *header += text_[pos_++];
      }
    }
    SkipBlanks();
    if (Peek() == ',') {
      ++pos_;
      SkipBlanks();
      int value = 0;
      while (Peek() >= '0' && Peek() <= '9') {
        value = std::min(value * 10 + (Peek() - '0'), MAX_COLUMN_WIDTH);
        ++pos_;
      }
      *width = value;
    }
    while (Peek() && Peek() != ']') ++pos_;
    if (Peek() == ']') ++pos_;
  }

  static TListColumn MakeColumn(const TEntity* entity, const std::string& name,
                                const std::string& header, bool quoted, int width) {
    const TAttribute* attribute = entity->FindAttribute(name.c_str());
    if (!attribute) attribute = &entity->Attributes[0];  // an unknown name takes the first
    TListColumn column;
    column.attribute = entity->AttributeIndex(attribute);
    column.header = quoted ? header : std::string(attribute->Caption);
    column.width = width >= 1 ? width
                              : std::max(static_cast<int>(column.header.size()),
                                         ListWidth(attribute));
    column.noShow = IsNoShow(*attribute);
    return column;
  }

  const char* text_;
  size_t pos_ = 0;
};

std::vector<TListColumn> DefaultColumns(const TEntity* entity, const TRelationship* relationship) {
  std::vector<TListColumn> columns;
  for (int i = 0; i < entity->AttributeCount; ++i) {
    const TAttribute& attribute = entity->Attributes[i];
    if (attribute.NonStored) continue;
    if (relationship && relationship->Reverse && attribute.ForeignRel == relationship->Reverse)
      continue;  // the column that points back to the parent
    TListColumn column;
    column.attribute = i;
    column.header = attribute.Caption;
    column.noShow = IsNoShow(attribute);
    column.width = attribute.Hidden ? 0
                                    : std::max(ListWidth(&attribute),
                                               static_cast<int>(column.header.size()));
    columns.push_back(column);
  }
  return columns;
}

// ---- Row texts ----

bool IsTextType(int sqlType) { return sqlType == SQL_CHAR || sqlType == SQL_VARCHAR; }

// The value as the list shows it.
std::string DisplayValue(const TAttribute& attribute, const char* value) {
  const int type = attribute.SqlType;
  if (attribute.CodeList && !IsTextType(type)) {
    if (!*value) return value;
    char* end = nullptr;
    long n = std::strtol(value, &end, 10);
    if (end != value && !*end && n >= 0 && n < attribute.CodeList->ItemCount)
      return attribute.CodeList->Items[n].Key;
    return value;
  }
  if (type == SQL_BIT) {
    if (!*value) return "";
    return std::strtol(value, nullptr, 10) != 0 ? "Y" : "N";
  }
  if (type == SQL_DATE || type == SQL_TYPE_DATE) return DateToDisplay(value, "", &attribute);
  if (type == SQL_TIME || type == SQL_TYPE_TIME) return TimeToDisplay(value, "", &attribute);
  if (type == SQL_TIMESTAMP || type == SQL_TYPE_TIMESTAMP)
    return TimestampToDisplay(value, "", &attribute);
  if (IsPassword(attribute)) return std::string(std::strlen(value), '*');
  return value;
}

char sharedRowText[ROW_TEXT_SIZE];

// Copies the text into the shared row buffer, cut at its size.
const char* ToSharedRowText(const std::string& text) {
  size_t n = std::min(text.size(), sizeof sharedRowText - 1);
  std::memcpy(sharedRowText, text.data(), n);
  sharedRowText[n] = '\0';
  return sharedRowText;
}

// Rows kept for painting at most (a hint for more rows keeps the first ones).
constexpr int KEPT_ROWS_LIMIT = 256;
// The messages waiting during a fetch of every row are handled this often.
constexpr DWORD FETCH_PUMP_INTERVAL_MS = 50;
constexpr int CLOCK_CHECK_ROWS = 32;

// ---- Registry ----

struct TRegisteredBox {
  HWND window;
  TRecListBox* box;
};
TRegisteredBox registeredBoxes[RECLISTBOX_REGISTRY_SIZE];

}  // namespace

std::vector<TListColumn> ListColumns(const TEntity* entity, const char* columnText,
                                     const TRelationship* relationship) {
  std::vector<TListColumn> columns;
  if (entity->AttributeCount == 0) return columns;
  if (columnText && *columnText && *columnText != ' ' && !StartsWithNoCase(columnText, "ORDER BY"))
    TColumnTextReader(columnText).Read(entity, &columns);
  if (columns.empty()) columns = DefaultColumns(entity, relationship);
  return columns;
}

// ---- TRecListBox ----

TRecListBox::TRecListBox(HWND listWindow, TEntity* entity, const char* columnText,
                         const TRelationship* relationship, TDBRecList* list)
    : window_(listWindow), list_(list), entity_(entity) {
  columns_ = ListColumns(entity, columnText, relationship);
  if (!list_) list_ = new TDBRecList(entity->Name);
  SetUpListView();
  TRecListBoxRegistry::Register(window_, this);
}

TRecListBox::~TRecListBox() {
  if (TRecListBoxRegistry::Find(window_) == this) TRecListBoxRegistry::Unregister(window_);
  delete list_;
}

namespace {

// Room a list view's cell and its header leave beside their text, in pixels.
constexpr int CELL_MARGIN_PIXELS = 16;
// Narrowest column shown, in pixels.
constexpr int MIN_COLUMN_PIXELS = 40;

// Average width of the characters of a text in the font selected into dc, rounded up.
int AveragePixels(HDC dc, const char* text) {
  const int count = static_cast<int>(std::strlen(text));
  SIZE size = {};
  if (!GetTextExtentPoint32A(dc, text, count, &size) || size.cx <= 0) return 0;
  return (size.cx + count - 1) / count;
}

// The width of a character in the list's font: the average letter, or a digit where
// digits are wider, so that n characters of words or of numbers and dates show.
int CharPixels(HWND list) {
  constexpr int fallback = 7;
  HDC dc = GetDC(list);
  if (!dc) return fallback;
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  const int letters = AveragePixels(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const int digits = AveragePixels(dc, "0123456789");
  if (old) SelectObject(dc, old);
  ReleaseDC(list, dc);
  const int pixels = std::max(letters, digits);
  return pixels > 0 ? pixels : fallback;
}

}  // namespace

int TRecListBox::ColumnPixels(const TListColumn& column, int charPixels) const {
  if (column.width == 0) return 0;
  const int header = static_cast<int>(
      SendMessageA(window_, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(column.header.c_str())));
  return std::max({column.width * charPixels, header, MIN_COLUMN_PIXELS - CELL_MARGIN_PIXELS}) +
         CELL_MARGIN_PIXELS;
}

void TRecListBox::SetUpListView() {
  if (!window_) return;
  SendMessageA(window_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE);
  // Widths are in characters of the list's own font, so that a column of n characters
  // shows n characters of text and its whole header.
  const int charPixels = CharPixels(window_);
  int position = 0;
  for (const TListColumn& column : columns_) {
    if (column.noShow) continue;
    LVCOLUMNA item = {};
    item.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    item.fmt = LVCFMT_LEFT;
    item.pszText = const_cast<char*>(column.header.c_str());
    item.cx = ColumnPixels(column, charPixels);
    item.iSubItem = position;
    SendMessageA(window_, LVM_INSERTCOLUMNA, position, reinterpret_cast<LPARAM>(&item));
    ++position;
  }
}

int TRecListBox::GetCount() { return list_->Count(); }

int TRecListBox::GetSelectedIndex() {
  return static_cast<int>(SendMessageA(window_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                       MAKELPARAM(LVNI_SELECTED, 0)));
}

TDBRecord* TRecListBox::GetSelectedRecord() {
  const int index = GetSelectedIndex();
  return index < 0 ? nullptr : list_->GetRecord(index);
}

bool TRecListBox::CellTexts(int index, bool includeHidden, std::vector<std::string>* cells) {
  cells->clear();
  TDBRecord* record = list_->GetRecord(index);
  if (!record) return false;
  for (const TListColumn& column : columns_) {
    if (column.noShow && !includeHidden) continue;
    cells->push_back(
        DisplayValue(entity_->Attributes[column.attribute], record->GetValue(column.attribute)));
  }
  return true;
}

const char* TRecListBox::GetRowText(int index, bool includeHidden) {
  std::vector<std::string> cells;
  if (!CellTexts(index, includeHidden, &cells)) return ToSharedRowText("?");
  std::string text;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i) text += '\t';
    text += cells[i];
    if (text.size() >= ROW_TEXT_SIZE) break;
  }
  return ToSharedRowText(text);
}

void TRecListBox::SetSelectionMark(int index) {
  if (index < 0 || index >= GetCount()) return;
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(window_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
  SendMessageA(window_, LVM_SETSELECTIONMARK, 0, index);
  SendMessageA(window_, LVM_ENSUREVISIBLE, index, FALSE);
}

void TRecListBox::DeleteRow(int index) {
  if (index < 0 || index >= GetCount()) return;
  const int selected = GetSelectedIndex();
  list_->RemoveRecord(index);
  ForgetRowTexts();
  ClearSelection();
  ShowItemCount();
  // The selected record stays selected; in place of a deleted one the row now there.
  if (selected >= 0) SetSelectionMark(std::min(selected > index ? selected - 1 : selected, GetCount() - 1));
}

void TRecListBox::Refresh() {
  TWaitCursor wait;
  list_->Requery();
  ForgetRowTexts();
  ShowItemCount();
}

void TRecListBox::ClearSelection() {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(window_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void TRecListBox::ShowItemCount() {
  SendMessageA(window_, LVM_SETITEMCOUNT, GetCount(), 0);
  InvalidateRect(window_, nullptr, TRUE);
}

void TRecListBox::ForgetRowTexts() {
  keptRows_.clear();
  lastIndex_ = -1;
  lastRow_.clear();
}

const std::vector<std::string>& TRecListBox::PaintedRow(int index) {
  if (index >= keptFrom_ && index < keptFrom_ + static_cast<int>(keptRows_.size()))
    return keptRows_[index - keptFrom_];
  if (index != lastIndex_) {
    if (!CellTexts(index, false, &lastRow_)) lastRow_.assign(1, "?");
    lastIndex_ = index;
  }
  return lastRow_;
}

bool TRecListBox::HandleNotify(const NMHDR* header) {
  if (!header || header->hwndFrom != window_) return false;
  if (header->code == LVN_ODCACHEHINT) {
    // The rows about to be painted are read together: one wait cursor for them all.
    const auto* hint = reinterpret_cast<const NMLVCACHEHINT*>(header);
    const int from = std::max(hint->iFrom, 0);
    const int to = std::min({hint->iTo, GetCount() - 1, from + KEPT_ROWS_LIMIT - 1});
    if (from >= keptFrom_ && to < keptFrom_ + static_cast<int>(keptRows_.size())) return true;
    TWaitCursor wait;
    keptRows_.clear();
    keptFrom_ = from;
    for (int i = from; i <= to; ++i) {
      keptRows_.emplace_back();
      if (!CellTexts(i, false, &keptRows_.back())) keptRows_.back().assign(1, "?");
    }
    return true;
  }
  if (header->code == LVN_GETDISPINFOA) {
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(header));
    if (!(info->item.mask & LVIF_TEXT) || !info->item.pszText || info->item.cchTextMax <= 0)
      return true;
    const std::vector<std::string>& row = PaintedRow(info->item.iItem);
    const int cell = info->item.iSubItem;
    const char* text = cell >= 0 && cell < static_cast<int>(row.size()) ? row[cell].c_str() : "";
    lstrcpynA(info->item.pszText, text, info->item.cchTextMax);
    return true;
  }
  return false;
}

// ---- TPartialRecListBox ----

TPartialRecListBox::TPartialRecListBox(HWND listWindow, TEntity* entity, const char* columnText,
                                       const TRelationship* relationship, TDBRecList* list,
                                       int pageSize, int fetchStep)
    : TRecListBox(listWindow, entity, columnText, relationship, list),
      pageSize_(pageSize),
      fetchStep_(fetchStep) {}

TPartialRecListBox::~TPartialRecListBox() = default;

bool TPartialRecListBox::FetchMore() {
  if (!list_->HasMore()) return false;
  TWaitCursor wait;
  bool any = false;
  for (int k = 0; k < fetchStep_; ++k) {
    if (!list_->GetRecord(list_->Count())) break;
    any = true;
  }
  if (any) ShowItemCount();
  return any;
}

bool TPartialRecListBox::IsComplete() { return !list_->HasMore(); }

bool TPartialRecListBox::StopFetching() const {
  return released_ || (window_ && (!IsWindow(window_) || IsClosePending(window_)));
}

bool TPartialRecListBox::FetchAll() {
  TWaitCursor wait;
  TPumpingScope pumping;
  ++fetchDepth_;
  // The first page's texts are kept as its rows arrive, so that painting it reads nothing
  // again once the cache has cut those rows down.
  const bool keepFirstPage = list_->Count() <= 1 && keptRows_.empty();
  keptFrom_ = 0;
  // The first round of rows also handles what was waiting when the fetch began, however
  // fast the rows come.
  DWORD pumped = GetTickCount() - FETCH_PUMP_INTERVAL_MS;
  int count = list_->Count();
  if (!StopFetching()) {
    while (TDBRecord* record = list_->GetRecord(count)) {
      (void)record;
      ++count;
      if (keepFirstPage) KeepFirstPageRows(count);
      // Closes and releases arrive only with the messages handled here. The clock is
      // looked at every few rows: a row takes microseconds.
      if (count % CLOCK_CHECK_ROWS == 0 && GetTickCount() - pumped >= FETCH_PUMP_INTERVAL_MS) {
        PumpWaitingMessages();
        pumped = GetTickCount();
        if (StopFetching()) break;
      }
    }
  }
  if (keepFirstPage) KeepFirstPageRows(list_->Count());
  if (--fetchDepth_ == 0 && released_) {
    delete this;
    return false;
  }
  return !released_;
}

bool TPartialRecListBox::FetchPastRow(int row) {
  TPumpingScope pumping;
  ++fetchDepth_;
  while (GetCount() <= row + 1 && !StopFetching() && FetchMore()) {
    ShowStatusText();
    PumpWaitingMessages();
  }
  if (--fetchDepth_ == 0 && released_) {
    delete this;
    return false;
  }
  return !released_;
}

void TPartialRecListBox::ShowStatusText() {
  // A child list stands on its form or on one of the form's pages, its count label beside it.
  HWND host = GetParent(window_);
  TBaseDlg* shown = AppWindowManager.GetDialog(GetAncestor(window_, GA_ROOT));
  const int label = shown && shown->GetKind() == DK_EDIT_FORM
                        ? GetDlgCtrlID(window_) - CHILD_LIST_ID_BASE + CHILD_COUNT_LABEL_ID_BASE
                        : STATUS_LINE_ID;
  SetDlgItemTextA(host, label, GetStatusText().c_str());
}

void TPartialRecListBox::KeepFirstPageRows(int available) {
  const int wanted = std::min(available, GetPageSize());
  while (static_cast<int>(keptRows_.size()) < wanted) {
    const int index = static_cast<int>(keptRows_.size());
    keptRows_.emplace_back();
    if (!CellTexts(index, false, &keptRows_.back())) keptRows_.back().assign(1, "?");
  }
}

void TPartialRecListBox::Release() {
  if (fetchDepth_ > 0) {
    released_ = true;
    return;
  }
  delete this;
}

bool TPartialRecListBox::ShowAllRows() {
  if (!FetchAll()) return false;
  ShowItemCount();
  return true;
}

std::string TPartialRecListBox::GetStatusText() {
  const long count = GetCount();
  char text[80];
  if (count == 0)
    snprintf(text, sizeof text, "No records found");
  else if (count == 1)
    snprintf(text, sizeof text, "1 record found");
  else
    snprintf(text, sizeof text, "%ld records found", count);
  return std::string(text) + (list_->HasMore() ? ", more to come" : ", search complete");
}

void TPartialRecListBox::RefreshWith(bool (*select)(TPartialRecListBox* box)) {
  TWaitCursor wait;
  const int selected = GetSelectedIndex();
  SendMessageA(window_, LVM_DELETEALLITEMS, 0, 0);
  list_->Reset();
  ForgetRowTexts();
  if (select(this)) {
    if (!ShowAllRows()) return;  // released meanwhile
  }
  ShowItemCount();
  if (selected >= 0 && selected < GetCount()) SetSelectionMark(selected);
}

// ---- TViewRecListBox ----

namespace {

// The view's order: the part from "ORDER BY" of the entity's order text, else of its
// column text.
const char* ViewOrderText(const TEntity* entity) {
  return FindOrderBy(*entity->OrderText ? entity->OrderText : entity->ColumnListText);
}

// The find's order: the entity's order text as it stands, else the columns after
// "ORDER BY " of its column text.
const char* FindOrderText(const TEntity* entity) {
  return *entity->OrderText ? entity->OrderText : OrderByColumns(entity->ColumnListText);
}

TEntity* ViewEntity(TRelationship* relationship, TDBRecList* list) {
  return relationship ? relationship->WithEntity : list->GetEntity();
}

}  // namespace

TViewRecListBox::TViewRecListBox(HWND listWindow, TRelationship* relationship, TDBRecord* parent,
                                 TDBRecList* list)
    : TPartialRecListBox(listWindow, ViewEntity(relationship, list),
                         relationship ? relationship->ColumnText
                                      : ViewOrderText(ViewEntity(relationship, list)),
                         relationship, list, 32, 16),
      relationship_(relationship),
      parent_(parent) {
  TWaitCursor wait;
  if (!list) Select();
  ShowAllRows();
}

bool TViewRecListBox::Select() {
  if (parent_ && relationship_)
    list_->SelectRelated(relationship_->Name, parent_);
  else
    list_->SelectWhere(ViewOrderText(entity_), "", nullptr);
  return list_->IsOk();
}

void TViewRecListBox::Refresh() {
  RefreshWith([](TPartialRecListBox* box) { return static_cast<TViewRecListBox*>(box)->Select(); });
}

std::string TViewRecListBox::GetStatusText() {
  HWND dialog = GetParent(window_);
  if (!parent_ || parent_->GetEntity()->PageCount > 0) dialog = GetParent(dialog);
  TBaseDlg* shown = AppWindowManager.GetDialog(dialog);
  if (!shown || shown->GetKind() != DK_EDIT_FORM) return TPartialRecListBox::GetStatusText();
  char text[40];
  snprintf(text, sizeof text, IsComplete() ? "(%ld)" : "(%ld...)", static_cast<long>(GetCount()));
  return text;
}

// ---- TLookupRecListBox ----

namespace {

bool IsDateOrTimeType(int type) {
  return type == SQL_DATE || type == SQL_TIME || type == SQL_TIMESTAMP || type == SQL_TYPE_DATE ||
         type == SQL_TYPE_TIME || type == SQL_TYPE_TIMESTAMP;
}

// A number as the server reads one: digits with an optional sign, point and exponent.
bool IsNumberText(const char* text) {
  char* end = nullptr;
  errno = 0;
  std::strtod(text, &end);
  if (end == text) return false;
  while (*end == ' ') ++end;
  return *end == '\0' && std::strpbrk(text, "xXnN") == nullptr;  // no hex, inf or nan
}

}  // namespace

TLookupRecListBox::TLookupRecListBox(HWND listWindow, TRelationship* relationship,
                                     TDBRecord* record)
    : TPartialRecListBox(listWindow, relationship->WithEntity, relationship->ColumnText,
                         relationship, nullptr, relationship->Kind() != 0 ? 32 : 16,
                         relationship->Kind() != 0 ? 16 : 8),
      relationship_(relationship),
      record_(record) {
  TWaitCursor wait;
  if (Select()) ShowAllRows();
  else ShowItemCount();
}

bool TLookupRecListBox::BuildWhereClause(std::string* clause, std::vector<TClauseValue>* values) {
  clause->clear();
  values->clear();
  TEntity* entity = record_->GetEntity();
  for (int i = 0; i < entity->AttributeCount; ++i) {
    const TAttribute& attribute = entity->Attributes[i];
    if (attribute.ForeignRel != relationship_ || !attribute.PrimAttr) continue;
    const char* value = record_->GetValue(i);
    if (!*value || !std::strcmp(value, "1900-01-01") || !std::strcmp(value, "1901-01-01")) continue;
    const TAttribute& column = *attribute.PrimAttr;
    if (!clause->empty()) *clause += " AND ";
    *clause += column.Name;
    const int type = attribute.SqlType;
    if (IsTextType(type)) {
      // The typed beginning of the value; its own wildcards stay wildcards.
      std::string pattern = std::string(value) + "%";
      long size = std::max<long>(static_cast<long>(pattern.size()), column.ColumnSize);
      *clause += std::string(" ") + list_->QueryDialect().TextPatternMatch() + " ?";
      values->push_back({type, size, column.DecimalDigits, pattern});
    } else if (IsDateOrTimeType(type)) {
      *clause += " = ?";
      values->push_back({type, column.ColumnSize, column.DecimalDigits, value});
    } else {
      if (!IsNumberText(value)) {
        list_->SetError(RecListSqlError, value);
        clause->clear();
        values->clear();
        return false;
      }
      *clause += "=?";
      values->push_back({type, column.ColumnSize, column.DecimalDigits, value});
    }
  }
  if (*relationship_->OrderBy) {
    if (!clause->empty()) *clause += " ";
    *clause += "ORDER BY ";
    *clause += relationship_->OrderBy;
  }
  return true;
}

bool TLookupRecListBox::Select() {
  std::string clause;
  std::vector<TClauseValue> values;
  if (!BuildWhereClause(&clause, &values)) return false;
  list_->SelectWhere(clause.c_str(), relationship_->WhereText, record_, values);
  return list_->IsOk();
}

void TLookupRecListBox::Refresh() {
  RefreshWith([](TPartialRecListBox* box) { return static_cast<TLookupRecListBox*>(box)->Select(); });
}

// ---- TFindRecListBox ----

TFindRecListBox::TFindRecListBox(HWND listWindow, TDBRecord* example, TDBRecList* list)
    : TPartialRecListBox(listWindow, example->GetEntity(), example->GetEntity()->ColumnListText,
                         nullptr, list, 32, 16),
      example_(example) {
  TWaitCursor wait;
  ShowAllRows();
}

bool TFindRecListBox::Select() {
  return list_->SelectByExample(FindOrderText(entity_), example_) == 1;
}

void TFindRecListBox::Refresh() {
  RefreshWith([](TPartialRecListBox* box) { return static_cast<TFindRecListBox*>(box)->Select(); });
}

// ---- Release and registry ----

void ReleaseRecListBox(TRecListBox* box) {
  if (auto* partial = dynamic_cast<TPartialRecListBox*>(box))
    partial->Release();
  else
    delete box;
}

void TRecListBoxRegistry::Register(HWND window, TRecListBox* box) {
  for (TRegisteredBox& entry : registeredBoxes) {
    if (!entry.window) {
      entry = {window, box};
      return;
    }
  }
  ShowMessageBox(nullptr, "Cannot register any more RecListBoxes!", "Registration",
                 MB_OK | MB_ICONEXCLAMATION);
}

void TRecListBoxRegistry::Unregister(HWND window) {
  for (TRegisteredBox& entry : registeredBoxes)
    if (entry.window == window) entry = {nullptr, nullptr};
}

TRecListBox* TRecListBoxRegistry::Find(HWND window) {
  if (!window) return nullptr;
  for (const TRegisteredBox& entry : registeredBoxes)
    if (entry.window == window) return entry.box;
  return nullptr;
}

const char* GetListBoxRowText(HWND window, int, int index) {
  TRecListBox* box = TRecListBoxRegistry::Find(window);
  return box ? box->GetRowText(index, false) : ToSharedRowText("?");
}
