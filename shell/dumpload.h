// Dump and load of tables: the rows of the model's tables copied to tab-separated text
// files and back, for moving data between databases; loading adds only rows whose key
// is not yet in the table.
//
// A dump file: line 1 the table name, a TAB and "escaped"; line 2 the column names (the
// first attribute, then every stored one) separated by TABs; then one line per row, its
// values separated by TABs. In the values a backslash is written "\\", a TAB "\t", a line
// feed "\n", a carriage return "\r", and NULL is "\N"; nothing else is changed. A file
// whose first line has no "escaped" (made by hand or elsewhere) is read as plain text:
// each value loses one pair of surrounding double quotes, and nothing is unescaped. In
// both, an empty value loads as an empty text into a text column and as NULL into any
// other.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Writes the table's rows (those matching the filter clause, when one is given) to the
// file; returns the rows written. 0 with a message box for an unknown table or a value
// too long for the file (the file is then removed), 0 when the file cannot be made.
long DumpTable(HWND window, const char* entityName, const char* file, const char* filter);

// Inserts the file's rows whose key is not in the table yet; returns the rows inserted.
// A file of another table, or naming a column the table does not have, is refused with a
// message box. A row line is refused when it holds a NUL, has another number of values
// than the columns, holds a value its column does not take (a number of another type, a
// date that does not exist), or fails to insert. *refused (when given) counts those rows,
// and reasons (when given) gets one text for each: the file, its line number and why.
long LoadTable(HWND window, const char* entityName, const char* file, long* refused = nullptr,
               std::vector<std::string>* reasons = nullptr);

// Every table of the model in model order, each with its dump file (DumpFileName of
// shell/commands.h); tells the total.
long DumpAllTables(HWND window);
long LoadAllTables(HWND window);

// The dialog "DumpDatabaseTables", for dumping or for loading the chosen tables.
INT_PTR CALLBACK DumpTablesDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LoadTablesDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Opens it modal over the owner; returns 1 after OK, 0 after Cancel.
INT_PTR ShowDumpTablesDialog(HWND owner, bool load);
