// The edit form's print-out: one page with the entity's title and every shown field's
// caption and value, drawn on any device context (a printer, or a metafile in the tests).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TDBRecord;

// Help context while the print dialog is open.
constexpr int PRINT_HELP_CONTEXT = 154;
constexpr const char* NO_PRINTER_TEXT =
    "No printer is installed.\nInstall a printer to print the details of this record.";

struct TScreenDump {
  std::string title;  // "<entity caption> Screen Dump"
  std::vector<std::pair<std::string, std::string>> fields;  // caption, shown value
};

// What the page of the record shows: its entity's shown attributes with their values.
TScreenDump ScreenDumpOf(TDBRecord* record);
// Draws the page into the rectangle (device units) of the context: the title centred in
// bold 14-point Arial with a rule under it, then each field's caption right-aligned in the
// left column and its value word-wrapped in the right one, in 10-point Arial, a rule under
// each field.
void DrawScreenDump(HDC dc, const RECT& page, const TScreenDump& dump);
// Prints the page as one document on the printer context; false when printing failed.
bool PrintScreenDump(HDC printer, const TScreenDump& dump);
