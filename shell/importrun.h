// The import of a delimited text file into one table through the record layer: each line
// is split into fields, converted by the type of the attribute its column feeds, joined by
// the template's fixed values and inserted, or, when its key exists, updated.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "shell/importtemplate.h"

struct TAttribute;
struct TEntity;
class TDBRecord;

// The fields of one line: taken at the separator; a field that begins with a double quote
// keeps the separators up to its closing quote (a doubled quote staying inside), while a
// quote later in a field is a plain character; the surrounding quotes removed when asked
// (a field quoted whole then gives a doubled quote inside it as one).
std::vector<std::string> SplitImportFields(const std::string& line, char separator, bool stripQuotes);

// The text as the attribute stores it: dates and times read by the attribute's format
// mask, texts cut to the column size, numbers without '$', ',', '%' and brackets (a
// leading '(' becoming a minus sign). False (with the reason, naming the value) when a
// date or time does not fit the mask or does not exist, when a comma does not group
// thousands ("1,5"), or when the number left is no number of the column's type.
bool ConvertImportValue(const TAttribute& attribute, const std::string& text, std::string* value,
                        std::string* error);

// Sets field number of a line into the record through the mapping of that column; nothing
// happens without a mapping node or an attribute of its caption.
bool SetImportedFields(const TImportTemplate& importTemplate, TDBRecord& record, const std::string& text,
                      int fieldNumber, TEntity& entity, std::string* error);
// Splits the line and sets every mapped field.
bool SplitImportLine(const TImportTemplate& importTemplate, TDBRecord& record, const std::string& line,
                     TEntity& entity, std::string* error);
// Sets the template's non-empty fixed values (numbers are kept cleaned in the template).
bool AssignFixedValues(TImportTemplate& importTemplate, TEntity& entity, TDBRecord& record, std::string* error);

struct TImportSummary {
  bool started = false;  // the file was opened and the table found
  bool stopped = false;  // the caller asked to stop before the end
  long lines = 0;        // data lines processed
  long inserted = 0;
  long updated = 0;
  long failed = 0;
};

struct TImportObserver {
  // One line for the log: a failed line with its line number and the reason, or why the
  // import could not start.
  std::function<void(const std::string&)> report;
  // Before data lines 0, 100, 200, ...: the number processed so far.
  std::function<void(long lines)> progress;
  // Between lines (pumps the window messages): false stops the import.
  std::function<bool()> keepGoing;
};

// Runs the import the template describes.
TImportSummary RunImport(TImportTemplate& importTemplate, const TImportObserver& observer);

// The entity whose caption is the text (any case), or null.
TEntity* EntityByCaption(const std::string& caption);
// The attribute of the entity whose caption is the text (any case), or null.
TAttribute* AttributeByCaption(TEntity& entity, const std::string& caption);
