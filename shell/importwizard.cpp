// The pages of the import wizard, the window that runs an import, and the calls the forms
// use to start the output dialog and the wizard.
#include "shell/importwizard.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <prsht.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/bufferedfile.h"
#include "data/core/devicenames.h"
#include "data/core/textlines.h"
#include "data/core/userprofile.h"
#include "data/db/record.h"
#include "data/db/userrights.h"
#include "data/model/appfiles.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/colortable.h"
#include "forms/messagepump.h"
#include "forms/openfilename.h"
#include "forms/shellcalls.h"
#include "forms/windowmanager.h"
#include "shell/importrun.h"
#include "shell/importtemplate.h"
#include "shell/output.h"

namespace {

const char* const wizardWarningCaption = "Import Wizard: WARNING";
const char* const inputFilter =
    "Data Files(*.txt;*.dat;*.csv)|*.txt;*.dat;*.csv|Tab Separated Text(*.ttx;*.txt)|*.ttx;*.txt|All Files(*.*)|*.*||";
constexpr int PREVIEW_LINES = 5;
constexpr size_t FIRST_LINE_LIMIT = 8192;

bool importRunning = false;

// What the pages share: the entity the wizard was opened for, and the templates found.
struct TWizardState {
  TEntity* entity = nullptr;
  std::vector<TTemplateFile> templates;
  bool finished = false;
};

TImportTemplate& Current() { return CurrentImportTemplate; }

std::string ItemText(HWND window, int id) {
  HWND item = GetDlgItem(window, id);
  std::string text(GetWindowTextLengthA(item) + 1, '\0');
  GetWindowTextA(item, text.data(), static_cast<int>(text.size()));
  text.resize(strlen(text.c_str()));
  return text;
}

void SetStatus(HWND page, const char* text) { SetDlgItemTextA(page, IMPORT_STATUS, text); }

// Answers a page notification: 0 lets the step happen, -1 keeps the page.
INT_PTR Answer(HWND page, LONG_PTR result) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR Refuse(HWND page, const char* text) {
  SetStatus(page, text);
  return Answer(page, -1);
}

bool AskGoingBack(HWND page, const char* question) {
  return AskQuestion(GetParent(page), question, wizardWarningCaption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES &&
         IsWindow(page);
}

// The first lines of the input file (at most count), each cut at the line limit.
std::vector<std::string> FirstLines(const std::string& path, int count) {
  std::vector<std::string> lines;
  TTextLines file(path);
  std::string line;
  while (static_cast<int>(lines.size()) < count && file.Next(line)) {
    if (line.size() > FIRST_LINE_LIMIT) line.resize(FIRST_LINE_LIMIT);
    lines.push_back(line);
  }
  return lines;
}

// The names of the file's columns: from the first line when it holds them, else
// "Field 0", "Field 1", ...
std::vector<std::string> ColumnNames(const std::string& firstLine) {
  const TImportTemplate& t = Current();
  std::vector<std::string> fields = SplitImportFields(firstLine, t.Separator, t.StripQuotes);
  if (!t.FieldNames)
    for (size_t i = 0; i < fields.size(); ++i) fields[i] = "Field " + std::to_string(i);
  return fields;
}

TEntity* DestinationEntity() { return EntityByCaption(Current().OutputTable); }

// The attributes a file column or a fixed value can feed: those with a column of their own.
std::vector<TAttribute*> ImportableAttributes(TEntity& entity) {
  std::vector<TAttribute*> attributes;
  for (int i = 0; i < entity.AttributeCount; ++i)
    if (IsStoredAttribute(entity.Attributes[i])) attributes.push_back(&entity.Attributes[i]);
  return attributes;
}

std::string Description(const TAttribute& attribute) {
  return *attribute.HelpText ? attribute.HelpText : attribute.SqlTypeText;
}

// ---- list views ----

void AddColumns(HWND list, const std::vector<std::pair<const char*, int>>& columns) {
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  for (size_t i = 0; i < columns.size(); ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = columns[i].second;
    column.pszText = const_cast<char*>(columns[i].first);
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
}

void RemoveColumns(HWND list) {
  while (SendMessageA(list, LVM_DELETECOLUMN, 0, 0)) {
  }
}

void SetCell(HWND list, int row, int column, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void AddRow(HWND list, const std::vector<std::string>& cells) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char*>(cells.empty() ? "" : cells[0].c_str());
  const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  for (size_t c = 1; c < cells.size(); ++c) SetCell(list, row, static_cast<int>(c), cells[c]);
}

std::string Cell(HWND list, int row, int column) {
  char text[1024] = "";
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

int SelectedRow(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED)); }

// ---- page 1: the template ----

void ShowTemplateChoice(HWND page, bool createNew) {
  CheckRadioButton(page, IMPORT_NEW_TEMPLATE, IMPORT_EXISTING_TEMPLATE,
                   createNew ? IMPORT_NEW_TEMPLATE : IMPORT_EXISTING_TEMPLATE);
  EnableWindow(GetDlgItem(page, IMPORT_TEMPLATE_NAME), createNew);
  EnableWindow(GetDlgItem(page, IMPORT_TEMPLATE_LIST), !createNew);
}

void InitTemplatePage(HWND page, TWizardState& state) {
  SetDlgItemTextA(page, IMPORT_TEMPLATE_NAME, "My Template");
  SendDlgItemMessageA(page, IMPORT_TEMPLATE_NAME, EM_LIMITTEXT, 256, 0);
  state.templates = ListImportTemplates(StartupFolderPath());
  HWND list = GetDlgItem(page, IMPORT_TEMPLATE_LIST);
  for (size_t i = 0; i < state.templates.size(); ++i) {
    const LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(state.templates[i].name.c_str()));
    SendMessageA(list, LB_SETITEMDATA, at, static_cast<LPARAM>(i));
  }
  ShowTemplateChoice(page, true);
}

INT_PTR LeaveTemplatePage(HWND page, TWizardState& state) {
  TImportTemplate& t = Current();
  t.Reset();
  if (IsDlgButtonChecked(page, IMPORT_NEW_TEMPLATE) == BST_CHECKED) {
    const std::string name = ItemText(page, IMPORT_TEMPLATE_NAME);
    if (!name.empty() && IsReservedDeviceName(TemplateFileName(name).c_str()))
      return Refuse(page, "Error: Windows keeps this name for a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9)!");
    if (!IsValidTemplateName(name))
      return Refuse(page, "Error: A template name cannot be empty or hold any of \\ / : * ? \" < > |");
    t.Name = name;
    t.FilePath = StartupFolderPath() + "\\" + TemplateFileName(name);
    if (GetFileAttributesA(t.FilePath.c_str()) != INVALID_FILE_ATTRIBUTES)
      return Refuse(page, "Error: A file exists with this name!");
    t.DetectSeparator = true;
    return Answer(page, 0);
  }
  HWND list = GetDlgItem(page, IMPORT_TEMPLATE_LIST);
  const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR) return Refuse(page, "Please select one of the template files before continuing.");
  const size_t index = static_cast<size_t>(SendMessageA(list, LB_GETITEMDATA, selected, 0));
  if (index >= state.templates.size() || !LoadImportTemplate(t, state.templates[index].path))
    return Refuse(page, "Error: Could not load template file!");
  return Answer(page, 0);
}

// ---- page 2: source file and table ----

void FillTables(HWND page, TWizardState& state) {
  HWND combo = GetDlgItem(page, IMPORT_TABLE);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < TheModel.EntityCount; ++i) {
    const TEntity& entity = TheModel.Entities[i];
    if (OdbcLogin) {
      const int rights = CheckUserRights(page, entity.Name, CurrentUser.UserId, false);
      if ((rights & (RIGHT_STORE | RIGHT_DELETE)) != (RIGHT_STORE | RIGHT_DELETE)) continue;
    }
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entity.Caption));
  }
  // The template's table when it is offered, else the caller's, else the first entity's.
  const auto offered = [combo](const char* caption) {
    return *caption ? SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(caption))
                    : CB_ERR;
  };
  LRESULT at = offered(Current().OutputTable.c_str());
  if (at == CB_ERR && state.entity) at = offered(state.entity->Caption);
  if (at == CB_ERR && TheModel.EntityCount > 0) at = offered(TheModel.Entities[0].Caption);
  SendMessageA(combo, CB_SETCURSEL, at == CB_ERR ? 0 : at, 0);
}

void ShowSourcePage(HWND page, TWizardState& state) {
  SetDlgItemTextA(page, IMPORT_INPUT_FILE, Current().InputFilename.c_str());
  CheckDlgButton(page, IMPORT_VALIDATE_RELATED, Current().ValidateRelated ? BST_CHECKED : BST_UNCHECKED);
  FillTables(page, state);
}

void BrowseInput(HWND page) {
  char file[OPEN_FILE_NAME_BUFFER] = "";
  OPENFILENAMEA* chooser =
      MakeOpenFileName(page, inputFilter, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, file,
                       "Select Input file");
  if (!chooser) return;
  BOOL chosen;
  {
    TModalLoopScope modal(page);
    chosen = GetOpenFileNameA(chooser);
  }
  FreeOpenFileName(chooser);
  if (chosen) {
    CharLowerA(file);
    SetDlgItemTextA(page, IMPORT_INPUT_FILE, file);
    return;
  }
  const DWORD error = CommDlgExtendedError();
  if (error == 0) return;
  char message[64];
  snprintf(message, sizeof message, "Error %ld returned", static_cast<long>(error));
  ShowMessageBox(page, message, "WARNING", MB_OK | MB_ICONEXCLAMATION);
}

INT_PTR LeaveSourcePage(HWND page) {
  const std::string file = ItemText(page, IMPORT_INPUT_FILE);
  if (file.empty()) return Refuse(page, "A filename must be entered to continue!");
  TBufferedFile* opened = FileOpen(file.c_str(), "rb");
  if (!opened) return Refuse(page, "Cannot open input file!");
  FileClose(opened);
  const std::string table = ItemText(page, IMPORT_TABLE);
  if (table.empty()) return Refuse(page, "Please select a destination table name.");
  TImportTemplate& t = Current();
  t.InputFilename = file;
  t.OutputTable = table;
  t.ValidateRelated = IsDlgButtonChecked(page, IMPORT_VALIDATE_RELATED) == BST_CHECKED;
  return Answer(page, 0);
}

// ---- page 3: separator and preview ----

void ShowSeparator(HWND page) {
  const char separator = Current().Separator;
  int radio = IMPORT_OTHER;
  if (separator == '\t') radio = IMPORT_TAB;
  else if (separator == ',') radio = IMPORT_COMMA;
  else if (separator == '~') radio = IMPORT_TILDE;
  CheckRadioButton(page, IMPORT_TAB, IMPORT_OTHER, radio);
  const char other[2] = {radio == IMPORT_OTHER ? separator : '\0', '\0'};
  SetDlgItemTextA(page, IMPORT_OTHER_SEPARATOR, other);
}

void BuildPreview(HWND page) {
  const TImportTemplate& t = Current();
  const std::vector<std::string> lines = FirstLines(t.InputFilename, PREVIEW_LINES);
  std::string text;
  for (const std::string& line : lines) text += line.substr(0, 200) + "\r\n";
  SetDlgItemTextA(page, IMPORT_PREVIEW_TEXT, text.c_str());

  HWND list = GetDlgItem(page, IMPORT_PREVIEW_LIST);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  RemoveColumns(list);
  if (lines.empty()) return;
  std::vector<std::string> headers = ColumnNames(lines[0]);
  std::vector<std::pair<const char*, int>> columns;
  for (const std::string& header : headers)
    columns.emplace_back(header.c_str(), std::max(60, 8 * static_cast<int>(header.size())));
  AddColumns(list, columns);
  for (size_t i = t.FieldNames ? 1 : 0; i < lines.size(); ++i)
    AddRow(list, SplitImportFields(lines[i], t.Separator, t.StripQuotes));
}

void ShowSeparatorPage(HWND page) {
  TImportTemplate& t = Current();
  if (t.DetectSeparator) {
    const std::vector<std::string> first = FirstLines(t.InputFilename, 1);
    const std::string line = first.empty() ? "" : first[0];
    if (line.find('\t') != std::string::npos) t.Separator = '\t';
    else if (line.find('~') != std::string::npos) t.Separator = '~';
    else if (t.Separator == '\t' || t.Separator == '~') t.Separator = ',';
  }
  ShowSeparator(page);
  SetDlgItemInt(page, IMPORT_SKIP_ROWS, t.SkipRows, FALSE);
  CheckDlgButton(page, IMPORT_FIELD_NAMES, t.FieldNames ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(page, IMPORT_STRIP_QUOTES, t.StripQuotes ? BST_CHECKED : BST_UNCHECKED);
  BuildPreview(page);
}

// A change of a separator control, the field-names or the strip-quotes check.
void OnSeparatorChange(HWND page, int id) {
  TImportTemplate& t = Current();
  switch (id) {
    case IMPORT_TAB: t.Separator = '\t'; break;
    case IMPORT_COMMA: t.Separator = ','; break;
    case IMPORT_TILDE: t.Separator = '~'; break;
    case IMPORT_OTHER:
    case IMPORT_OTHER_SEPARATOR: {
      if (IsDlgButtonChecked(page, IMPORT_OTHER) != BST_CHECKED) return;
      const std::string other = ItemText(page, IMPORT_OTHER_SEPARATOR);
      if (!other.empty()) t.Separator = other[0];
      break;
    }
    case IMPORT_FIELD_NAMES: t.FieldNames = IsDlgButtonChecked(page, IMPORT_FIELD_NAMES) == BST_CHECKED; break;
    case IMPORT_STRIP_QUOTES: t.StripQuotes = IsDlgButtonChecked(page, IMPORT_STRIP_QUOTES) == BST_CHECKED; break;
    default: return;
  }
  BuildPreview(page);
}

// What the page holds goes into the template, whichever way the page is left.
void TakeSeparatorPage(HWND page) {
  OnSeparatorChange(page, IMPORT_OTHER);
  BOOL read = FALSE;
  const UINT skip = GetDlgItemInt(page, IMPORT_SKIP_ROWS, &read, FALSE);
  Current().SkipRows = read ? static_cast<int>(skip) : 0;
}

// ---- page 4: mapping ----

std::string MappingDescription(const std::string& caption) {
  TEntity* entity = DestinationEntity();
  TAttribute* attribute = entity ? AttributeByCaption(*entity, caption) : nullptr;
  return attribute ? Description(*attribute) : "";
}

void ShowMappingPage(HWND page) {
  TImportTemplate& t = Current();
  t.DetectSeparator = false;
  const std::vector<std::string> first = FirstLines(t.InputFilename, 1);
  const std::vector<std::string> names = ColumnNames(first.empty() ? "" : first[0]);
  std::vector<TImportMapping> mappings;
  for (size_t i = 0; i < names.size(); ++i) {
    TImportMapping mapping;
    mapping.Name = names[i];
    if (i < t.Mappings.size()) mapping.MappedTo = t.Mappings[i].MappedTo;
    mappings.push_back(mapping);
  }
  t.Mappings = mappings;

  HWND list = GetDlgItem(page, IMPORT_MAPPING_LIST);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  for (const TImportMapping& mapping : t.Mappings)
    AddRow(list, {mapping.Name, mapping.MappedTo, MappingDescription(mapping.MappedTo)});

  HWND combo = GetDlgItem(page, IMPORT_MAPPING_TARGET);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(NotMapped));
  if (TEntity* entity = DestinationEntity()) {
    for (TAttribute* attribute : ImportableAttributes(*entity)) {
      const std::string entry = std::string(attribute->Mandatory ? "*" : "") + attribute->Caption + " [" +
                                attribute->Name + "]";
      SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
  }
  SetDlgItemTextA(page, IMPORT_MAPPING_COLUMN, "");
  EnableWindow(combo, FALSE);
}

// The attribute caption of a combo entry: the text up to '[', trimmed, without a leading '*'.
std::string CaptionOfEntry(std::string entry) {
  const size_t bracket = entry.find('[');
  if (bracket != std::string::npos) entry.erase(bracket);
  while (!entry.empty() && entry.back() == ' ') entry.pop_back();
  if (!entry.empty() && entry[0] == '*') entry.erase(0, 1);
  return entry;
}

void OnMappingRowChosen(HWND page, int row) {
  const TImportTemplate& t = Current();
  if (row < 0 || row >= static_cast<int>(t.Mappings.size())) return;
  SetDlgItemTextA(page, IMPORT_MAPPING_COLUMN, t.Mappings[row].Name.c_str());
  HWND combo = GetDlgItem(page, IMPORT_MAPPING_TARGET);
  const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  int chosen = 0;
  for (int i = 0; i < count; ++i) {
    char entry[600] = "";
    if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) >= static_cast<LRESULT>(sizeof entry)) continue;
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
    if (_stricmp(CaptionOfEntry(entry).c_str(), t.Mappings[row].MappedTo.c_str()) == 0) chosen = i;
  }
  SendMessageA(combo, CB_SETCURSEL, chosen, 0);
  EnableWindow(combo, TRUE);
}

void OnMappingTargetChosen(HWND page) {
  TImportTemplate& t = Current();
  HWND list = GetDlgItem(page, IMPORT_MAPPING_LIST);
  const int row = SelectedRow(list);
  if (row < 0 || row >= static_cast<int>(t.Mappings.size())) return;
  const std::string target = CaptionOfEntry(ItemText(page, IMPORT_MAPPING_TARGET));
  const bool none = target.empty() || target == NotMapped;
  // Each attribute receives at most one column.
  for (size_t i = 0; i < t.Mappings.size(); ++i) {
    if (static_cast<int>(i) == row) continue;
    if (!none && _stricmp(t.Mappings[i].MappedTo.c_str(), target.c_str()) == 0) {
      t.Mappings[i].MappedTo = NotMapped;
      SetCell(list, static_cast<int>(i), 1, NotMapped);
      SetCell(list, static_cast<int>(i), 2, "");
    }
  }
  t.Mappings[row].MappedTo = none ? NotMapped : target;
  SetCell(list, row, 1, t.Mappings[row].MappedTo);
  SetCell(list, row, 2, none ? "" : MappingDescription(target));
}

// ---- page 5: fixed values ----

void ShowValuesPage(HWND page) {
  TImportTemplate& t = Current();
  t.DetectSeparator = false;
  SetDlgItemTextA(page, IMPORT_VALUE_ATTRIBUTE, "");
  SetDlgItemTextA(page, IMPORT_VALUE_TEXT, "");
  HWND list = GetDlgItem(page, IMPORT_VALUE_LIST);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  EnableWindow(GetDlgItem(page, IMPORT_VALUE_TEXT), FALSE);
  TEntity* entity = DestinationEntity();
  if (!entity) return;
  auto mapped = [&](const char* caption) {
    for (const TImportMapping& mapping : t.Mappings)
      if (_stricmp(mapping.MappedTo.c_str(), caption) == 0) return true;
    return false;
  };
  std::vector<TImportFixedValue> kept;
  for (const TImportFixedValue& fixed : t.FixedValues)
    if (!mapped(fixed.Name.c_str())) kept.push_back(fixed);
  t.FixedValues = kept;
  for (TAttribute* attribute : ImportableAttributes(*entity)) {
    if (mapped(attribute->Caption)) continue;
    std::string value;
    for (const TImportFixedValue& fixed : t.FixedValues)
      if (_stricmp(fixed.Name.c_str(), attribute->Caption) == 0) value = fixed.Value;
    AddRow(list, {attribute->Caption, value, Description(*attribute)});
  }
}

void OnValueRowChosen(HWND page, int row) {
  if (row < 0) return;
  HWND list = GetDlgItem(page, IMPORT_VALUE_LIST);
  SetDlgItemTextA(page, IMPORT_VALUE_ATTRIBUTE, Cell(list, row, 0).c_str());
  SetDlgItemTextA(page, IMPORT_VALUE_TEXT, Cell(list, row, 1).c_str());
  EnableWindow(GetDlgItem(page, IMPORT_VALUE_TEXT), TRUE);
}

// The value typed for the attribute shown: kept in its fixed-value entry (an emptied value
// removes the entry) and shown in its row.
void StoreValue(HWND page) {
  const std::string caption = ItemText(page, IMPORT_VALUE_ATTRIBUTE);
  if (caption.empty()) return;
  const std::string value = ItemText(page, IMPORT_VALUE_TEXT);
  TImportTemplate& t = Current();
  if (value.empty()) {
    for (size_t i = 0; i < t.FixedValues.size(); ++i)
      if (_stricmp(t.FixedValues[i].Name.c_str(), caption.c_str()) == 0) t.FixedValues.erase(t.FixedValues.begin() + i--);
  } else {
    t.FixedValue(caption).Value = value;
  }
  HWND list = GetDlgItem(page, IMPORT_VALUE_LIST);
  const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row)
    if (_stricmp(Cell(list, row, 0).c_str(), caption.c_str()) == 0) SetCell(list, row, 1, value);
}

// ---- page 6: summary ----

void ShowSummaryPage(HWND page) {
  const TImportTemplate& t = Current();
  HWND list = GetDlgItem(page, IMPORT_SUMMARY_LIST);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  auto add = [&](const std::string& line) { SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str())); };
  add("Template Name = " + t.Name);
  add("Input FileName = " + t.InputFilename);
  add(std::to_string(t.SkipRows) + " rows will be skipped.");
  if (t.ValidateRelated) add("Related record will be validated.");
  add(t.Separator == '\t' ? std::string("Field Seperator = <tab>") : std::string("Field Seperator = ") + t.Separator);
  if (t.StripQuotes) add("Surrounding quotes will be removed from each field.");
  if (t.FieldNames) add("File contains the field names in the first row.");
  add("");
  add("The fields to be mapped are:");
  for (const TImportMapping& mapping : t.Mappings)
    if (!mapping.Name.empty() && mapping.MappedTo != NotMapped)
      add("Field " + mapping.Name + " mapped to Field " + mapping.MappedTo);
  add("");
  add("The database fields to be assigned set values are:");
  for (const TImportFixedValue& fixed : t.FixedValues)
    if (!fixed.Value.empty()) add("Database Field " + fixed.Name + " set to the value " + fixed.Value);
}

HFONT BoldTitleFont(HWND window) {
  HDC dc = GetDC(window);
  const int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(window, dc);
  return CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
}

// ---- the page procedures ----

enum TWizardPage { PAGE_TEMPLATE, PAGE_SOURCE, PAGE_SEPARATOR, PAGE_MAPPING, PAGE_VALUES, PAGE_SUMMARY, PAGE_COUNT };

struct TPageData {
  TWizardPage page;
  TWizardState* state;
  HFONT titleFont = nullptr;
};

void SetWizardButtons(HWND page, TWizardPage which) {
  DWORD buttons = PSWIZB_BACK | PSWIZB_NEXT;
  if (which == PAGE_TEMPLATE) buttons = PSWIZB_NEXT;
  if (which == PAGE_SUMMARY) buttons = PSWIZB_BACK | PSWIZB_FINISH;
  PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, buttons);
}

INT_PTR OnPageNotify(HWND page, TPageData& data, NMHDR* header) {
  switch (header->code) {
    case PSN_SETACTIVE:
      SetStatus(page, "");
      SetWizardButtons(page, data.page);
      if (data.page == PAGE_SOURCE) ShowSourcePage(page, *data.state);
      if (data.page == PAGE_SEPARATOR) ShowSeparatorPage(page);
      if (data.page == PAGE_MAPPING) ShowMappingPage(page);
      if (data.page == PAGE_VALUES) ShowValuesPage(page);
      if (data.page == PAGE_SUMMARY) ShowSummaryPage(page);
      return Answer(page, 0);
    case PSN_WIZNEXT:
      if (data.page == PAGE_TEMPLATE) return LeaveTemplatePage(page, *data.state);
      if (data.page == PAGE_SOURCE) return LeaveSourcePage(page);
      if (data.page == PAGE_SEPARATOR) TakeSeparatorPage(page);
      if (data.page == PAGE_VALUES) StoreValue(page);
      return Answer(page, 0);
    case PSN_WIZBACK:
      if (data.page == PAGE_SEPARATOR) TakeSeparatorPage(page);
      if (data.page == PAGE_MAPPING &&
          !AskGoingBack(page, "Moving back to the previous page may lose any field mappings you have made.\n"
                              "Are you sure you want to continue?"))
        return Answer(page, -1);
      if (data.page == PAGE_VALUES) {
        StoreValue(page);
        if (!AskGoingBack(page, "Moving back to the previous page may lose any field value mappings you have made.\n"
                                "Are you sure you want to continue?"))
          return Answer(page, -1);
      }
      return Answer(page, 0);
    case PSN_WIZFINISH:
      SetCurrentDirectoryA(StartupFolderPath().c_str());
      SaveImportTemplate(Current());
      data.state->finished = true;
      return Answer(page, 0);
    case NM_CLICK:
    case LVN_ITEMCHANGED:
      if (header->idFrom == IMPORT_MAPPING_LIST) OnMappingRowChosen(page, SelectedRow(header->hwndFrom));
      if (header->idFrom == IMPORT_VALUE_LIST) {
        StoreValue(page);
        OnValueRowChosen(page, SelectedRow(header->hwndFrom));
      }
      return TRUE;
  }
  return FALSE;
}

void OnPageCommand(HWND page, TPageData& data, int id, int code) {
  switch (data.page) {
    case PAGE_TEMPLATE:
      if (code == BN_CLICKED && (id == IMPORT_NEW_TEMPLATE || id == IMPORT_EXISTING_TEMPLATE))
        ShowTemplateChoice(page, id == IMPORT_NEW_TEMPLATE);
      break;
    case PAGE_SOURCE:
      if (id == IMPORT_BROWSE && code == BN_CLICKED) BrowseInput(page);
      break;
    case PAGE_SEPARATOR:
      if ((code == BN_CLICKED && id != IMPORT_OTHER_SEPARATOR) || (id == IMPORT_OTHER_SEPARATOR && code == EN_CHANGE))
        OnSeparatorChange(page, id);
      break;
    case PAGE_MAPPING:
      if (id == IMPORT_MAPPING_TARGET && code == CBN_SELCHANGE) OnMappingTargetChosen(page);
      break;
    case PAGE_VALUES:
      if (id == IMPORT_VALUE_TEXT && code == EN_KILLFOCUS) StoreValue(page);
      break;
    default:
      break;
  }
}

INT_PTR CALLBACK ImportPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* sheetPage = reinterpret_cast<PROPSHEETPAGEA*>(lParam);
    auto* data = reinterpret_cast<TPageData*>(sheetPage->lParam);
    SetWindowLongPtrA(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
    if (data->page == PAGE_TEMPLATE) InitTemplatePage(page, *data->state);
    if (data->page == PAGE_MAPPING)
      AddColumns(GetDlgItem(page, IMPORT_MAPPING_LIST),
                 {{"Import File Column Name", 180}, {"Mapped To", 180}, {"Description", 220}});
    if (data->page == PAGE_VALUES)
      AddColumns(GetDlgItem(page, IMPORT_VALUE_LIST), {{"Column Name", 180}, {"Assigned Value", 180}, {"Description", 220}});
    if (data->page == PAGE_SUMMARY) {
      data->titleFont = BoldTitleFont(page);
      SendDlgItemMessageA(page, IMPORT_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(data->titleFont), TRUE);
    }
    return TRUE;
  }
  auto* data = reinterpret_cast<TPageData*>(GetWindowLongPtrA(page, GWLP_USERDATA));
  if (!data) return FALSE;
  switch (message) {
    case WM_NOTIFY:
      return OnPageNotify(page, *data, reinterpret_cast<NMHDR*>(lParam));
    case WM_COMMAND:
      OnPageCommand(page, *data, LOWORD(wParam), HIWORD(wParam));
      return FALSE;
    case WM_CTLCOLORSTATIC:
      return HandleCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
      if (data->titleFont) DeleteObject(data->titleFont);
      data->titleFont = nullptr;
      return FALSE;
  }
  return FALSE;
}

// ---- the import window ----

constexpr UINT WM_START_IMPORT = WM_USER + 1;
constexpr DWORD PUMP_INTERVAL_MS = 50;

// The import window's own state. While the import runs it belongs to the run: a window
// destroyed meanwhile (its owner closed) only marks it, and the run frees it at its end.
struct TImportWindow {
  HFONT titleFont = nullptr;
  bool running = false;
  bool finished = false;  // the run has ended
  bool stopAsked = false;
  bool destroyed = false;
};

void AddLine(HWND window, const std::string& text) {
  HWND list = GetDlgItem(window, IMPORT_PROGRESS_LIST);
  const LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageA(list, LB_SETTOPINDEX, at, 0);
}

void SetLine(HWND window, int index, const std::string& text) {
  HWND list = GetDlgItem(window, IMPORT_PROGRESS_LIST);
  SendMessageA(list, LB_DELETESTRING, index, 0);
  SendMessageA(list, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string LinesProcessed(long lines) {
  char text[64];
  snprintf(text, sizeof text, "%ld lines processed...", lines);
  return text;
}

void RunImportIn(HWND window, TImportWindow* state) {
  SendDlgItemMessageA(window, IMPORT_PROGRESS_LIST, LB_RESETCONTENT, 0, 0);
  TImportTemplate& t = Current();
  if (t.Name.empty()) {
    AddLine(window, "No template has been loaded.");
    state->finished = true;
    importRunning = false;
    return;
  }
  SetDlgItemTextA(window, IMPORT_PROGRESS_BUTTON, "&Cancel");
  SetDlgItemTextA(window, IMPORT_TITLE, t.InputFilename.c_str());
  AddLine(window, "Processing template " + t.Name + "...");
  AddLine(window, "");
  state->running = true;
  TPumpingScope pumping;  // other windows closed during the run go after it
  DWORD lastPump = GetTickCount();
  TImportObserver observer;
  observer.report = [&](const std::string& text) {
    if (!state->destroyed) AddLine(window, text);
  };
  observer.progress = [&](long lines) {
    if (!state->destroyed) SetLine(window, 1, LinesProcessed(lines));
  };
  observer.keepGoing = [&] {
    if (GetTickCount() - lastPump >= PUMP_INTERVAL_MS) {
      PumpWaitingMessages();
      lastPump = GetTickCount();
    }
    return !state->stopAsked && !state->destroyed;
  };
  const TImportSummary summary = RunImport(t, observer);
  state->running = false;
  state->finished = true;
  importRunning = false;
  if (state->destroyed) {
    delete state;
    return;
  }
  if (summary.started) {
    SetLine(window, 1, LinesProcessed(summary.lines));
    char text[160];
    snprintf(text, sizeof text, "%ld lines processed, %ld records inserted, %ld records updated.", summary.lines,
             summary.inserted, summary.updated);
    AddLine(window, text);
    if (summary.failed) {
      snprintf(text, sizeof text, "%ld lines could not be imported (see above).", summary.failed);
      AddLine(window, text);
    }
    if (summary.stopped) {
      snprintf(text, sizeof text, "The import was stopped after %ld lines.", summary.lines);
      AddLine(window, text);
    }
  }
  SetDlgItemTextA(window, IMPORT_PROGRESS_BUTTON, "&Close");
}

}  // namespace

INT_PTR CALLBACK ImportProgressDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<TImportWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_INITDIALOG:
      state = new TImportWindow;
      importRunning = true;  // from now until its run ends: no second wizard or import
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
      state->titleFont = BoldTitleFont(window);
      SendDlgItemMessageA(window, IMPORT_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(state->titleFont), TRUE);
      SetDlgItemTextA(window, IMPORT_PROGRESS_BUTTON, "&Close");
      PostMessageA(window, WM_START_IMPORT, 0, 0);
      return TRUE;
    case WM_START_IMPORT:
      if (state && !state->running && !state->finished) RunImportIn(window, state);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IMPORT_PROGRESS_BUTTON && state) {
        if (state->running) state->stopAsked = true;  // the run ends after its current line
        else PostMessageA(window, WM_CLOSE, 0, 0);
      }
      return TRUE;
    case WM_CLOSE:
      if (state && state->running) state->stopAsked = true;
      else DestroyWindow(window);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return HandleCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
      if (!state) return FALSE;
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      if (state->titleFont) DeleteObject(state->titleFont);
      state->titleFont = nullptr;
      if (state->running) {
        state->destroyed = true;  // the run frees it when it returns
      } else {
        if (!state->finished) importRunning = false;  // destroyed before its run
        delete state;
      }
      return FALSE;
  }
  return FALSE;
}

bool ImportIsRunning() { return importRunning; }

HWND StartImportWindow(HWND owner) {
  if (importRunning) return nullptr;
  return CreateDialogParamA(GetModuleHandleA(nullptr), "ImportWizard", owner, ImportProgressDlgProc, 0);
}

void RunImportWizard(HWND owner, TEntity* entity) {
  if (importRunning) {
    ShowMessageBox(owner, "An import is running. Wait until it has finished before starting another one.",
                   "Import Wizard", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  TWizardState state;
  state.entity = entity;
  TPageData data[PAGE_COUNT];
  PROPSHEETPAGEA pages[PAGE_COUNT] = {};
  static const char* const templates[PAGE_COUNT] = {"IMPORTWIZARD1", "IMPORTWIZARD2", "IMPORTWIZARD3",
                                                    "IMPORTWIZARD4", "IMPORTWIZARD5", "IMPORTWIZARD6"};
  for (int i = 0; i < PAGE_COUNT; ++i) {
    data[i].page = TWizardPage(i);
    data[i].state = &state;
    pages[i].dwSize = sizeof pages[i];
    pages[i].hInstance = GetModuleHandleA(nullptr);
    pages[i].pszTemplate = templates[i];
    pages[i].pfnDlgProc = ImportPageProc;
    pages[i].lParam = reinterpret_cast<LPARAM>(&data[i]);
  }
  PROPSHEETHEADERA sheet = {};
  sheet.dwSize = sizeof sheet;
  sheet.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
  sheet.hwndParent = owner;
  sheet.hInstance = GetModuleHandleA(nullptr);
  sheet.pszCaption = "Import File";
  sheet.nPages = PAGE_COUNT;
  sheet.ppsp = pages;
  {
    TModalLoopScope modal(owner);
    PropertySheetA(&sheet);
  }
  if (state.finished && IsWindow(owner)) StartImportWindow(owner);
}

// ---- the calls the forms start ----

namespace {

void OutputRecordsFromForms(HWND owner, TDBRecList& list, const std::vector<int>& columns,
                            const std::function<void()>& fetchAll) {
  TRecListRows rows(list, columns, fetchAll);
  RunOutputRecords(owner, rows);
}

}  // namespace

void InstallRecordTransferCalls() {
  OutputRecordsCall = OutputRecordsFromForms;
  ImportWizardCall = RunImportWizard;
}
