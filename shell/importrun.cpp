// Importing the lines of a text file into a table through records.
#include "shell/importrun.h"

#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "data/core/datetime.h"
#include "data/core/numberformat.h"
#include "data/core/textlines.h"
#include "data/db/columnvalues.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "expr/errors.h"

TEntity* EntityByCaption(const std::string& caption) {
  for (int i = 0; i < TheModel.EntityCount; ++i)
    if (_stricmp(TheModel.Entities[i].Caption, caption.c_str()) == 0) return &TheModel.Entities[i];
  return nullptr;
}

TAttribute* AttributeByCaption(TEntity& entity, const std::string& caption) {
  for (int i = 0; i < entity.AttributeCount; ++i)
    if (_stricmp(entity.Attributes[i].Caption, caption.c_str()) == 0) return &entity.Attributes[i];
  return nullptr;
}

namespace {
// A field without its surrounding quotes; inside a field quoted whole, a doubled quote
// stands for one (as comma-separated files write a quote).
std::string WithoutQuotes(std::string field) {
  const bool quotedWhole = field.size() >= 2 && field.front() == '"' && field.back() == '"';
  if (!field.empty() && field.back() == '"') field.pop_back();
  if (!field.empty() && field.front() == '"') field.erase(0, 1);
  if (!quotedWhole) return field;
  std::string plain;
  for (size_t i = 0; i < field.size(); ++i) {
    plain += field[i];
    if (field[i] == '"' && i + 1 < field.size() && field[i + 1] == '"') ++i;
  }
  return plain;
}

// A number without its display signs, refused unless it is a number of the column's type
// then: a comma that does not group thousands is not dropped into another number.
bool ConvertImportNumber(const TAttribute& attribute, const std::string& text, std::string* value,
                         std::string* error) {
  // Blanks around a number are no part of it.
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    value->clear();
    return true;
  }
  const std::string number = text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (!CommasGroupThousands(number.c_str())) {
    *error = "'" + number + "' is not a number for " + attribute.Caption + ": a comma only groups thousands";
    return false;
  }
  *value = UnformatNumber(number.c_str());
  if (value->empty()) {  // signs alone ("$", "%") are no number, not an empty field
    *error = "'" + number + "' is not a number for " + attribute.Caption;
    return false;
  }
  return ColumnTakes(attribute, value->c_str(), error, number.c_str());
}

}  // namespace

std::vector<std::string> SplitImportFields(const std::string& line, char separator, bool stripQuotes) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    std::string field;
    // Only a quote that begins the field opens a quoted part, which its next single
    // quote closes (a doubled one stays inside); any other quote is a plain character.
    bool quoted = separator != '"' && start < line.size() && line[start] == '"';
    size_t i = start + (quoted ? 1 : 0);
    if (quoted) field += '"';
    for (; i < line.size(); ++i) {
      const char c = line[i];
      if (quoted && c == '"') {
        const bool doubled = i + 1 < line.size() && line[i + 1] == '"';
        field += c;
        if (doubled) field += line[++i];
        else quoted = false;
        continue;
      }
      if (!quoted && c == separator) break;
      field += c;
    }
    if (stripQuotes) field = WithoutQuotes(field);
    fields.push_back(field);
    if (i >= line.size()) break;
    start = i + 1;
  }
  return fields;
}

bool ConvertImportValue(const TAttribute& attribute, const std::string& text, std::string* value,
                        std::string* error) {
  const char* converted = nullptr;
  const char* kind = nullptr;
  switch (attribute.SqlType) {
    case SQL_DATE:
    case SQL_TYPE_DATE:
      converted = DisplayToDbDate(text.c_str(), "", &attribute), kind = "date";
      break;
    case SQL_TIME:
    case SQL_TYPE_TIME:
      converted = DisplayToDbTime(text.c_str(), "", &attribute), kind = "time";
      break;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
      converted = DisplayToDbTimestamp(text.c_str(), "", &attribute), kind = "timestamp";
      break;
    case SQL_CHAR:
    case SQL_VARCHAR:
      *value = attribute.ColumnSize > 0 ? text.substr(0, attribute.ColumnSize) : text;
      return true;
    default:
      return ConvertImportNumber(attribute, text, value, error);
  }
  // The date, time or timestamp must fit the mask and exist.
  if (std::strcmp(converted, "?") == 0 || !ColumnTakes(attribute, converted)) {
    *error = "'" + text + "' is not a " + kind + " in the format of " + attribute.Caption;
    return false;
  }
  *value = converted;
  return true;
}

bool SetImportedFields(const TImportTemplate& importTemplate, TDBRecord& record, const std::string& text,
                      int fieldNumber, TEntity& entity, std::string* error) {
  if (fieldNumber < 0 || fieldNumber >= static_cast<int>(importTemplate.Mappings.size())) return true;
  const TImportMapping& mapping = importTemplate.Mappings[fieldNumber];
  if (mapping.MappedTo.empty()) return true;
  TAttribute* attribute = AttributeByCaption(entity, mapping.MappedTo);
  if (!attribute) return true;
  std::string value;
  if (!ConvertImportValue(*attribute, text, &value, error)) return false;
  record.SetNewValue(attribute->Name, value.c_str());
  return true;
}

bool SplitImportLine(const TImportTemplate& importTemplate, TDBRecord& record, const std::string& line,
                     TEntity& entity, std::string* error) {
  const std::vector<std::string> fields =
      SplitImportFields(line, importTemplate.Separator, importTemplate.StripQuotes);
  for (size_t i = 0; i < fields.size(); ++i)
    if (!SetImportedFields(importTemplate, record, fields[i], static_cast<int>(i), entity, error)) return false;
  return true;
}

bool AssignFixedValues(TImportTemplate& importTemplate, TEntity& entity, TDBRecord& record, std::string* error) {
  for (TImportFixedValue& fixed : importTemplate.FixedValues) {
    if (fixed.Value.empty()) continue;
    TAttribute* attribute = AttributeByCaption(entity, fixed.Name);
    if (!attribute) continue;
    std::string value;
    if (!ConvertImportValue(*attribute, fixed.Value, &value, error)) return false;
    const int type = attribute->SqlType;
    const bool dateOrText = type == SQL_CHAR || type == SQL_VARCHAR || type == SQL_DATE || type == SQL_TIME ||
                            type == SQL_TIMESTAMP || type == SQL_TYPE_DATE || type == SQL_TYPE_TIME ||
                            type == SQL_TYPE_TIMESTAMP;
    if (!dateOrText) fixed.Value = value;
    record.SetNewValue(attribute->Name, value.c_str());
  }
  return true;
}

namespace {

constexpr size_t IMPORT_LINE_LIMIT = 8191;

std::string LineReport(long lineNumber, const std::string& reason) {
  char prefix[32];
  snprintf(prefix, sizeof prefix, "Line %ld: ", lineNumber);
  return prefix + reason;
}

std::string RecordFailure(TDBRecord& record) {
  const char* message = RecordErrorState.GetErrorMessage();
  if (message && *message) return message;
  char text[64];
  snprintf(text, sizeof text, "the record could not be stored (error %d)", record.GetStatus());
  return text;
}

// Sets the line's values and the fixed values into the record.
bool FillRecord(TImportTemplate& importTemplate, TDBRecord& record, const std::string& line, TEntity& entity,
                std::string* error) {
  return SplitImportLine(importTemplate, record, line, entity, error) &&
         AssignFixedValues(importTemplate, entity, record, error);
}

}  // namespace

TImportSummary RunImport(TImportTemplate& importTemplate, const TImportObserver& observer) {
  TImportSummary summary;
  auto report = [&](const std::string& text) {
    if (observer.report) observer.report(text);
  };
  TEntity* entity = EntityByCaption(importTemplate.OutputTable);
  if (!entity) {
    report("The destination table " + importTemplate.OutputTable + " is not in the model.");
    return summary;
  }
  TTextLines reader(importTemplate.InputFilename);
  if (!reader.IsOpen()) {
    report("Could not open input file " + importTemplate.InputFilename + ".");
    return summary;
  }
  summary.started = true;
  std::string line;
  if (importTemplate.FieldNames) reader.Next(line);
  for (int i = 0; i < importTemplate.SkipRows && reader.Next(line); ++i) {
  }

  std::unique_ptr<TDBRecord> record(NewDBRecord(entity->Name));
  const TParentCheck checkParents = importTemplate.ValidateRelated ? CheckParents : SkipParentCheck;
  while (reader.Next(line)) {
    if (summary.lines % 100 == 0 && observer.progress) observer.progress(summary.lines);
    if (observer.keepGoing && !observer.keepGoing()) {
      summary.stopped = true;
      break;
    }
    ++summary.lines;
    std::string error;
    if (HoldsNul(line)) {
      error = "the line holds a NUL character";
    } else if (line.size() > IMPORT_LINE_LIMIT) {
      error = "the line is longer than 8191 characters";
    } else {
      record->Reset();
      if (FillRecord(importTemplate, *record, line, *entity, &error)) {
        record->Insert(checkParents);
        if (record->GetStatus() == RecordAlreadyExists) {
          // The key exists: the file's values over the stored row.
          record->Read();
          if (!record->IsOk()) error = RecordFailure(*record);
          else if (FillRecord(importTemplate, *record, line, *entity, &error)) {
            record->Update(RefuseIfChildren, checkParents);
            if (record->IsOk()) ++summary.updated;
            else error = RecordFailure(*record);
          }
        } else if (record->IsOk()) {
          ++summary.inserted;
        } else {
          error = RecordFailure(*record);
        }
      }
    }
    if (!error.empty()) {
      ++summary.failed;
      report(LineReport(reader.LineNumber(), error));
    }
  }
  if (observer.progress) observer.progress(summary.lines);
  return summary;
}
