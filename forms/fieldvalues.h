// The field-values file "~FLDVALS.TMP" that an edit form writes before it starts an outside
// program: the entity, each stored attribute's current value, and the form's window.
#pragma once

#include <windows.h>

#include <string>

class TDBRecord;

constexpr const char* FIELD_VALUES_FILE = "~FLDVALS.TMP";

// A value as one line of the file: every line break inside it (CR LF, a lone LF or a lone
// CR) becomes a line feed followed by '*', so a continuation line never reads as an item.
std::string FieldValueLine(const char* value);
// Writes the file anew at path; false when it cannot be written.
bool WriteFieldValuesFile(const std::string& path, TDBRecord* record, HWND window);
