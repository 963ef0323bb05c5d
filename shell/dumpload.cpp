// Dump and load of tables (see dumpload.h for the file format) and their dialog.
#include "shell/dumpload.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/bufferedfile.h"
#include "data/core/strings.h"
#include "data/core/textlines.h"
#include "data/core/waitcursor.h"
#include "data/db/columnvalues.h"
#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/model/model.h"
#include "forms/colortable.h"
#include "forms/messagepump.h"
#include "shell/commands.h"
#include "shell/databaseids.h"

namespace {

const char* const ESCAPED_MARK = "escaped";
const char* const NULL_FIELD = "\\N";
constexpr int VALUE_LIMIT = 8191;
constexpr int LOAD_COLUMN_LIMIT = 200;
// Refused rows whose reasons the closing box of a load lists.
constexpr size_t REFUSALS_SHOWN = 10;

std::string Format(const char* format, const char* a, const char* b = "", const char* c = "") {
  char text[1024];
  snprintf(text, sizeof text, format, a, b, c);
  return text;
}

void Box(HWND window, const std::string& text, const char* caption) {
  ShowMessageBox(window, text.c_str(), caption, MB_OK | MB_ICONHAND);
}

// The columns of a dump: the first attribute, then every stored one.
std::vector<const TAttribute*> DumpColumns(const TEntity& entity) {
  std::vector<const TAttribute*> columns;
  for (int i = 0; i < entity.AttributeCount; ++i)
    if (i == 0 || !entity.Attributes[i].NonStored) columns.push_back(&entity.Attributes[i]);
  return columns;
}

std::string Escaped(const char* value) {
  std::string text;
  for (const char* c = value; *c; ++c) {
    switch (*c) {
      case '\\': text += "\\\\"; break;
      case '\t': text += "\\t"; break;
      case '\n': text += "\\n"; break;
      case '\r': text += "\\r"; break;
      default: text += *c;
    }
  }
  return text;
}

// A field of an escaped file: its value, or false for NULL.
bool Unescaped(const std::string& field, std::string* value) {
  if (field == NULL_FIELD) return false;
  value->clear();
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      *value += field[i];
      continue;
    }
    switch (field[++i]) {
      case 't': *value += '\t'; break;
      case 'n': *value += '\n'; break;
      case 'r': *value += '\r'; break;
      case '\\': *value += '\\'; break;
      default: *value += '\\'; *value += field[i];
    }
  }
  return true;
}

std::vector<std::string> SplitAtTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

bool IsTextColumn(int sqlType) {
  return sqlType == SQL_CHAR || sqlType == SQL_VARCHAR || sqlType == SQL_LONGVARCHAR || sqlType == SQL_WCHAR ||
         sqlType == SQL_WVARCHAR || sqlType == SQL_WLONGVARCHAR;
}

// The SQL type a value is sent as (always as text): numbers and texts as what they are,
// the rest as CHAR, converted by the server.
SQLSMALLINT BoundType(int sqlType) {
  switch (sqlType) {
    case SQL_INTEGER: case SQL_SMALLINT: case SQL_TINYINT: return SQL_INTEGER;
    case SQL_BIGINT: return SQL_BIGINT;
    case SQL_FLOAT: case SQL_REAL: case SQL_DOUBLE: return SQL_DOUBLE;
    case SQL_NUMERIC: case SQL_DECIMAL: return static_cast<SQLSMALLINT>(sqlType);
    default: return IsTextColumn(sqlType) ? SQL_VARCHAR : SQL_CHAR;
  }
}

// The values of one row, bound as the parameters of a statement.
struct TRowValues {
  std::vector<std::string> texts;
  std::vector<SQLLEN> indicators;

  void Bind(TOdbcStatement& statement, const std::vector<const TAttribute*>& columns,
            const std::vector<int>& which) {
    SQLFreeStmt(statement.Handle(), SQL_RESET_PARAMS);
    for (size_t p = 0; p < which.size(); ++p) {
      int i = which[p];
      const TAttribute* column = columns[i];
      SQLSMALLINT type = BoundType(column->SqlType);
      SQLULEN size = texts[i].size() > static_cast<size_t>(column->ColumnSize) ? texts[i].size()
                                                                                 : column->ColumnSize;
      if (size == 0) size = 1;
      SQLBindParameter(statement.Handle(), static_cast<SQLUSMALLINT>(p + 1), SQL_PARAM_INPUT, SQL_C_CHAR, type,
                       size, static_cast<SQLSMALLINT>(column->DecimalDigits), &texts[i][0],
                       static_cast<SQLLEN>(texts[i].size() + 1), &indicators[i]);
    }
  }
};

class TDumpFile {
public:
  TDumpFile(const char* path, const char* mode) : path_(path), file_(FileOpen(path, mode)) {}
  ~TDumpFile() {
    if (file_) FileClose(file_);
  }
  TDumpFile(const TDumpFile&) = delete;
  TDumpFile& operator=(const TDumpFile&) = delete;
  TBufferedFile* get() const { return file_; }
  // A dump that cannot be finished leaves no file behind.
  void Discard() {
    if (file_) FileClose(file_);
    file_ = nullptr;
    DeleteFileA(path_.c_str());
  }

private:
  std::string path_;
  TBufferedFile* file_;
};

// The entity of that name; null, after saying so in a box of that caption, when the model
// has none.
const TEntity* KnownEntity(HWND window, const char* entityName, const char* caption) {
  const TEntity* entity = TheModel.FindEntity(entityName);
  if (!entity) Box(window, Format("Unknown table: %s!", entityName), caption);
  return entity;
}

// Reads the heading lines of a file to load into the entity: false after telling why it
// is refused.
bool ReadHeading(HWND window, TTextLines& file, const TEntity& entity, bool* escaped,
                 std::vector<const TAttribute*>* columns, std::vector<std::string>* names) {
  std::string line;
  file.Next(line);
  std::vector<std::string> first = SplitAtTabs(line);
  if (_stricmp(first[0].c_str(), entity.Name) != 0) {
    Box(window, Format("Table name in file: %s, does not match table specified: %s", first[0].c_str(), entity.Name),
        "Load Table Function");
    return false;
  }
  *escaped = first.size() > 1 && first[1] == ESCAPED_MARK;
  file.Next(line);
  *names = SplitAtTabs(line);
  if (names->size() > static_cast<size_t>(LOAD_COLUMN_LIMIT)) {
    Box(window, Format("The file names more than 200 columns of table %s.", entity.Name), "Load Table Function");
    return false;
  }
  for (const std::string& name : *names) {
    const TAttribute* attribute = entity.FindAttribute(name.c_str());
    if (!attribute || (attribute->NonStored && attribute != &entity.Attributes[0])) {
      Box(window, Format("Column %s in the file is not a column of table %s.", name.c_str(), entity.Name),
          "Load Table Function");
      return false;
    }
    columns->push_back(attribute);
  }
  return true;
}

// The values of a row line into values; false, with the reason, when the line holds a
// NUL, has another number of values than the columns, or a value its column does not take.
bool ReadRow(const std::string& line, bool escaped, const std::vector<const TAttribute*>& columns,
             TRowValues* values, std::string* reason) {
  if (HoldsNul(line)) {
    *reason = "the line holds a NUL character";
    return false;
  }
  std::vector<std::string> fields = SplitAtTabs(line);
  if (fields.size() != columns.size()) {
    *reason = "the line has " + std::to_string(fields.size()) + " values for " + std::to_string(columns.size()) +
              " columns";
    return false;
  }
  values->texts.assign(columns.size(), "");
  values->indicators.assign(columns.size(), SQL_NTS);
  for (size_t i = 0; i < fields.size(); ++i) {
    bool isNull;
    if (escaped) {
      isNull = !Unescaped(fields[i], &values->texts[i]);
    } else {
      std::vector<char> text(fields[i].begin(), fields[i].end());
      text.push_back('\0');
      StripQuotes(text.data());
      values->texts[i] = text.data();
      isNull = false;
    }
    if (!isNull && values->texts[i].empty() && !IsTextColumn(columns[i]->SqlType)) isNull = true;
    if (isNull) {
      values->texts[i].clear();
      values->indicators[i] = SQL_NULL_DATA;
    } else if (!ColumnTakes(*columns[i], values->texts[i].c_str(), reason)) {
      return false;
    }
  }
  return true;
}

std::string JoinedNames(const std::vector<std::string>& names, const char* separator) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) text += (i ? separator : "") + names[i];
  return text;
}

// Only one dump or load at a time: each pumps messages, and a second one started meanwhile
// (from a menu, or the dialog's OK again) would work on the same files.
bool tableWorkRunning = false;

class TTableWork {
public:
  TTableWork() : started_(!tableWorkRunning) { tableWorkRunning = true; }
  ~TTableWork() {
    if (started_) tableWorkRunning = false;
  }
  TTableWork(const TTableWork&) = delete;
  TTableWork& operator=(const TTableWork&) = delete;
  // False, after saying so, when another dump or load is running.
  bool Started(HWND window, const char* caption) const {
    if (!started_) Box(window, "Tables are being dumped or loaded already: wait until that has ended.", caption);
    return started_;
  }

private:
  bool started_;
  // The work pumps messages: a window closed meanwhile goes when the work has ended.
  TPumpingScope pumping_;
};

long DumpOneTable(HWND window, const char* entityName, const char* path, const char* filter) {
  const TEntity* entity = KnownEntity(window, entityName, "Dump Table Function!");
  if (!entity) return 0;
  TDumpFile file(path, "w");
  if (!file.get()) return 0;
  std::vector<const TAttribute*> columns = DumpColumns(*entity);
  std::vector<std::string> names;
  for (const TAttribute* column : columns) names.push_back(column->Name);
  FilePrintf(file.get(), "%s\t%s\n", entity->Name, ESCAPED_MARK);
  FilePuts((JoinedNames(names, "\t") + "\n").c_str(), file.get());

  std::string sql = "select " + JoinedNames(names, ",") + " from " + entity->Name;
  if (filter && *filter) sql += std::string(" where ") + filter;
  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  TOdbcStatement statement(&connection);
  long rows = 0;
  std::vector<char> value(VALUE_LIMIT + 1);
  if (!SQL_SUCCEEDED(statement.Prepare(sql.c_str())) || !SQL_SUCCEEDED(statement.Execute())) {
    Box(window, Format("The rows of table %s cannot be read: %s", entity->Name, statement.GetDiagMessage()),
        "Dump Table Function!");
    file.Discard();
    return 0;
  }
  while (statement.Fetch() == SQL_SUCCESS) {
    PumpWaitingMessages();
    ++rows;
    std::string line;
    for (size_t i = 0; i < columns.size(); ++i) {
      SQLLEN indicator = statement.GetData(static_cast<int>(i), value.data(), static_cast<int>(value.size()));
      if (indicator == SQL_NO_TOTAL || indicator > VALUE_LIMIT) {
        char detail[64];
        snprintf(detail, sizeof detail, "%ld", rows);
        Box(window,
            Format("The value of %s in row %s of table %s is longer than 8191 characters: the table is not dumped.",
                   columns[i]->Name, detail, entity->Name),
            "Dump Table Function!");
        file.Discard();
        return 0;
      }
      if (i) line += '\t';
      line += indicator == SQL_NULL_DATA ? NULL_FIELD : Escaped(value.data());
    }
    line += '\n';
    FilePuts(line.c_str(), file.get());
  }
  return rows;
}

// The rows a load refused: how many, and each with its line and reason.
struct TLoadRefusals {
  long count = 0;
  std::vector<std::string> reasons;
  void Add(const char* path, long lineNumber, const std::string& reason) {
    ++count;
    reasons.push_back(std::string(path) + ", line " + std::to_string(lineNumber) + ": " + reason);
  }
  void Take(TLoadRefusals&& other) {
    count += other.count;
    for (std::string& reason : other.reasons) reasons.push_back(std::move(reason));
  }
};

long LoadOneTable(HWND window, const char* entityName, const char* path, TLoadRefusals* refused) {
  const TEntity* entity = KnownEntity(window, entityName, "Load Table Function!");
  if (!entity) return 0;
  TTextLines file(path);
  if (!file.IsOpen()) return 0;
  bool escaped = false;
  std::vector<const TAttribute*> columns;
  std::vector<std::string> names;
  if (!ReadHeading(window, file, *entity, &escaped, &columns, &names)) return 0;

  // The key test: the first column and every further one that is part of the key.
  std::vector<int> keyColumns, allColumns;
  std::string keyTest = std::string("select * from ") + entity->Name + " where ";
  for (size_t i = 0; i < columns.size(); ++i) {
    allColumns.push_back(static_cast<int>(i));
    if (i > 0 && !columns[i]->KeyPart) continue;
    keyTest += (keyColumns.empty() ? "" : " and ") + names[i] + "=?";
    keyColumns.push_back(static_cast<int>(i));
  }
  std::string insert = std::string("insert into ") + entity->Name + " (" + JoinedNames(names, ",") + ") values (";
  for (size_t i = 0; i < columns.size(); ++i) insert += i ? ",?" : "?";
  insert += ")";

  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  TOdbcStatement test(&connection), inserting(&connection);
  test.Prepare(keyTest.c_str());
  inserting.Prepare(insert.c_str());
  long inserted = 0;
  std::string line, reason;
  TRowValues values;
  while (file.Next(line)) {
    PumpWaitingMessages();
    if (!ReadRow(line, escaped, columns, &values, &reason)) {
      refused->Add(path, file.LineNumber(), reason);
      continue;
    }
    values.Bind(test, columns, keyColumns);
    if (!SQL_SUCCEEDED(test.Execute())) {
      refused->Add(path, file.LineNumber(), test.GetDiagMessage());
      test.CloseCursor();
      continue;
    }
    bool exists = test.Fetch() == SQL_SUCCESS;
    test.CloseCursor();
    if (exists) continue;
    values.Bind(inserting, columns, allColumns);
    SQLRETURN result = inserting.Execute();
    if (SQL_SUCCEEDED(result)) ++inserted;
    else refused->Add(path, file.LineNumber(), inserting.GetDiagMessage());
    inserting.CloseCursor();
  }
  return inserted;
}

long ForEveryTable(HWND window, bool load, TLoadRefusals* refused) {
  TWaitCursor wait;
  long total = 0;
  for (int i = 0; i < TheModel.EntityCount; ++i) {
    const TEntity& entity = TheModel.Entities[i];
    std::string file = DumpFileName(&entity);
    total += load ? LoadOneTable(window, entity.Name, file.c_str(), refused)
                  : DumpOneTable(window, entity.Name, file.c_str(), nullptr);
  }
  return total;
}

// The refused rows for the closing box: their number and the first reasons.
std::string RefusedNote(const TLoadRefusals& refused) {
  if (refused.count == 0) return "";
  char text[96];
  snprintf(text, sizeof text, "\n%ld rows could not be loaded:", refused.count);
  std::string note = text;
  const size_t shown = refused.reasons.size() < REFUSALS_SHOWN ? refused.reasons.size() : REFUSALS_SHOWN;
  for (size_t i = 0; i < shown; ++i) note += "\n" + refused.reasons[i];
  if (shown < refused.reasons.size()) note += "\n...";
  return note;
}

}  // namespace

long DumpTable(HWND window, const char* entityName, const char* path, const char* filter) {
  TTableWork work;
  if (!work.Started(window, "Dump Table Function!")) return 0;
  return DumpOneTable(window, entityName, path, filter);
}

long LoadTable(HWND window, const char* entityName, const char* path, long* refused,
               std::vector<std::string>* reasons) {
  if (refused) *refused = 0;
  if (reasons) reasons->clear();
  TTableWork work;
  if (!work.Started(window, "Load Table Function!")) return 0;
  TLoadRefusals refusals;
  const long inserted = LoadOneTable(window, entityName, path, &refusals);
  if (refused) *refused = refusals.count;
  if (reasons) *reasons = std::move(refusals.reasons);
  return inserted;
}

long DumpAllTables(HWND window) {
  TTableWork work;
  if (!work.Started(window, "Dump All Tables")) return 0;
  TLoadRefusals refused;
  long total = ForEveryTable(window, false, &refused);
  char text[96];
  snprintf(text, sizeof text, "%ld records dumped from all tables.", total);
  Box(window, text, "Dump All Tables");
  return total;
}

long LoadAllTables(HWND window) {
  TTableWork work;
  if (!work.Started(window, "Load All Tables")) return 0;
  TLoadRefusals refused;
  long total = ForEveryTable(window, true, &refused);
  char text[96];
  snprintf(text, sizeof text, "%ld records loaded from all tables.", total);
  Box(window, text + RefusedNote(refused), "Load All Tables");
  return total;
}

namespace {

int TableRows() { return TheModel.EntityCount < TABLE_ROWS_LIMIT ? TheModel.EntityCount : TABLE_ROWS_LIMIT; }

// The row under the tables that tells how many have no row and how to reach them.
void AddLeftOutRow(HWND dialog, int row, bool load, HFONT font, HINSTANCE instance) {
  char text[128];
  snprintf(text, sizeof text,
           load ? "%d more tables are not listed: use LOAD * or LOAD <table>."
                : "%d more tables are not listed: use DUMP * or DUMP <table>.",
           TheModel.EntityCount - row);
  RECT client;
  GetClientRect(dialog, &client);
  HWND note = CreateWindowExA(0, "Static", text, WS_CHILD | WS_VISIBLE, 20, 64 + 24 * row, client.right - 28, 20, dialog,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(TABLES_LEFT_OUT_ID)), instance, nullptr);
  SendMessageA(note, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void AddTableRows(HWND dialog, bool load) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
  const int rows = TableRows();
  for (int i = 0; i < rows; ++i) {
    const TEntity& entity = TheModel.Entities[i];
    HWND check = CreateWindowExA(0, "Button", entity.Caption, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | WS_TABSTOP,
                                 20, 64 + 24 * i, 160, 20, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(TABLE_CHECK_ID_BASE + i)), instance,
                                 nullptr);
    HWND edit = CreateWindowExA(0, "Edit", DumpFileName(&entity).c_str(),
                                WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_UPPERCASE | ES_AUTOHSCROLL, 192,
                                64 + 24 * i, 200, 20, dialog,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(TABLE_FILE_ID_BASE + i)), instance,
                                nullptr);
    SendMessageA(check, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
  }
  const bool tablesLeftOut = TheModel.EntityCount > rows;
  if (tablesLeftOut) AddLeftOutRow(dialog, rows, load, font, instance);
  RECT place;
  GetWindowRect(dialog, &place);
  SetWindowPos(dialog, nullptr, 0, 0, place.right - place.left, 24 * (rows + (tablesLeftOut ? 1 : 0)) + 92,
               SWP_NOMOVE | SWP_NOZORDER);
  SendDlgItemMessageA(dialog, TABLES_PROGRESS_ID, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
}

void RunChosenTables(HWND dialog, bool load) {
  TTableWork work;
  if (!work.Started(dialog, load ? "Load Tables" : "Dump Tables")) return;
  TWaitCursor wait;
  // The dialog takes no input while its tables are worked on.
  EnableWindow(dialog, FALSE);
  const int rows = TableRows();
  int checked = 0;
  for (int i = 0; i < rows; ++i)
    if (IsDlgButtonChecked(dialog, TABLE_CHECK_ID_BASE + i) == BST_CHECKED) ++checked;
  if (checked > 0) {
    long total = 0;
    TLoadRefusals refused;
    int done = 0;
    for (int i = 0; i < rows; ++i) {
      if (IsDlgButtonChecked(dialog, TABLE_CHECK_ID_BASE + i) != BST_CHECKED) continue;
      const TEntity& entity = TheModel.Entities[i];
      SetDlgItemTextA(dialog, TABLES_MESSAGE_ID,
                      Format(load ? "Loading records from table %s" : "Dumping records from table %s", entity.Caption)
                          .c_str());
      char file[1024] = "";
      GetDlgItemTextA(dialog, TABLE_FILE_ID_BASE + i, file, sizeof file);
      if (*file)
        total += load ? LoadOneTable(dialog, entity.Name, file, &refused) : DumpOneTable(dialog, entity.Name, file, nullptr);
      ++done;
      SendDlgItemMessageA(dialog, TABLES_PROGRESS_ID, PBM_SETPOS, done * 100 / checked, 0);
    }
    char text[128];
    snprintf(text, sizeof text, load ? "%ld records loaded from %d table(s)." : "%ld records dumped from %d table(s).",
             total, checked);
    Box(dialog, text + RefusedNote(refused), load ? "Load Tables" : "Dump Tables");
  }
  EnableWindow(dialog, TRUE);
  EndDialog(dialog, 1);
}

INT_PTR TablesDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, bool load) {
  switch (message) {
    case WM_INITDIALOG:
      AddTableRows(dialog, load);
      if (load) {
        SetDlgItemTextA(dialog, TABLES_MESSAGE_ID, "Select the tables to load:");
        SetWindowTextA(dialog, "Load Database Tables");
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        RunChosenTables(dialog, load);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    case WM_CTLCOLORSTATIC:
      return HandleCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK DumpTablesDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return TablesDialog(window, message, wParam, lParam, false);
}

INT_PTR CALLBACK LoadTablesDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return TablesDialog(window, message, wParam, lParam, true);
}

INT_PTR ShowDumpTablesDialog(HWND owner, bool load) {
  TModalLoopScope modal(owner);
  return DialogBoxParamA(GetModuleHandleA(nullptr), "DumpDatabaseTables", owner,
                         load ? LoadTablesDlgProc : DumpTablesDlgProc, 0);
}
