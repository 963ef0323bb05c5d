// Import templates in memory and in their ".tpl" files.
#include "shell/importtemplate.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/core/devicenames.h"
#include "data/core/strings.h"
#include "data/core/templatelines.h"
#include "data/core/textlines.h"
#include "forms/messagepump.h"

const char* const NotMapped = "<none>";

TImportTemplate CurrentImportTemplate;

void TImportTemplate::Reset() { *this = TImportTemplate(); }

TImportFixedValue& TImportTemplate::FixedValue(const std::string& caption) {
  for (TImportFixedValue& value : FixedValues)
    if (_stricmp(value.Name.c_str(), caption.c_str()) == 0) return value;
  FixedValues.push_back({caption, ""});
  return FixedValues.back();
}

namespace {

// A saved value: the text between the quotes the writer put around it (so a value
// that holds quotes itself comes back whole), else the text as it stands.
std::string SavedValue(const char* raw) {
  std::string value = raw;
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
  TTempString trimmed;
  std::strncpy(trimmed, raw, TEMP_STRING_SIZE - 1);
  trimmed[TEMP_STRING_SIZE - 1] = '\0';
  TrimSpaces(trimmed);
  return trimmed.get();
}

// Reads name/value lines until the element's end line.
template <typename Node>
void ReadElement(TTextLines& file, Node& node, std::string Node::*second, const char* secondKey) {
  TTempString name, value, raw;
  while (ReadTemplateLine(file, name, TEMP_STRING_SIZE, value, TEMP_STRING_SIZE, raw, TEMP_STRING_SIZE)) {
    if (_stricmp(name, "Name") == 0) node.Name = SavedValue(raw);
    else if (_stricmp(name, secondKey) == 0) node.*second = SavedValue(raw);
  }
}

// A mapping node: "Name" and "MappedTo".
void ReadTemplateField(TTextLines& file, TImportMapping& mapping) {
  ReadElement(file, mapping, &TImportMapping::MappedTo, "MappedTo");
}

// A fixed-value node: "Name" and "Value".
void ReadTemplateFieldValue(TTextLines& file, TImportFixedValue& fixed) {
  ReadElement(file, fixed, &TImportFixedValue::Value, "Value");
}

}  // namespace

bool LoadImportTemplate(TImportTemplate& importTemplate, const std::string& path) {
  importTemplate.FilePath = path;
  TTextLines file(path);
  if (!file.IsOpen()) return false;
  TTempString name, value, raw;
  while (ReadTemplateLine(file, name, TEMP_STRING_SIZE, value, TEMP_STRING_SIZE, raw, TEMP_STRING_SIZE)) {
    if (_stricmp(name, "WizardField") == 0) {
      TImportMapping mapping;
      ReadTemplateField(file, mapping);
      importTemplate.Mappings.push_back(mapping);
    } else if (_stricmp(name, "WizardFieldValue") == 0) {
      TImportFixedValue fixed;
      ReadTemplateFieldValue(file, fixed);
      importTemplate.FixedValues.push_back(fixed);
    } else if (_stricmp(name, "Name") == 0) {
      importTemplate.Name = SavedValue(raw);
    } else if (_stricmp(name, "InputFilename") == 0) {
      importTemplate.InputFilename = SavedValue(raw);
    } else if (_stricmp(name, "OutputTable") == 0) {
      importTemplate.OutputTable = SavedValue(raw);
    } else if (_stricmp(name, "FieldSeperator") == 0) {
      // The character itself, unquoted: a blank, a tab or a quote is the separator too.
      if (raw[0]) importTemplate.Separator = raw[0];
    } else if (_stricmp(name, "FieldNames") == 0) {
      importTemplate.FieldNames = std::atoi(value) != 0;
    } else if (_stricmp(name, "SkipRows") == 0) {
      importTemplate.SkipRows = std::atoi(value);
    } else if (_stricmp(name, "ValidateRelatedRecords") == 0) {
      importTemplate.ValidateRelated = std::atoi(value) != 0;
    }
  }
  // A NUL would have cut a name or value short: a damaged template is not taken.
  return file.FirstNulLine() == 0;
}

bool SaveImportTemplate(const TImportTemplate& importTemplate) {
  FILE* file = std::fopen(importTemplate.FilePath.c_str(), "w");
  if (!file) {
    char message[1200];
    snprintf(message, sizeof message,
             "The template file %s could not be created.  Check your file permission settings and whether an "
             "existing file is present and is Read Only",
             importTemplate.FilePath.c_str());
    ShowMessageBox(nullptr, message, "Could not save template file", MB_OK | MB_ICONSTOP);
    return false;
  }
  std::fprintf(file, "<WizardTemplate>\n");
  WriteTemplateValue(file, "Name", importTemplate.Name.c_str());
  WriteTemplateValue(file, "InputFilename", importTemplate.InputFilename.c_str());
  WriteTemplateValue(file, "OutputTable", importTemplate.OutputTable.c_str());
  std::fprintf(file, "FieldSeperator=%c\n", importTemplate.Separator);
  std::fprintf(file, "FieldNames=%d\n", importTemplate.FieldNames ? 1 : 0);
  std::fprintf(file, "ValidateRelatedRecords=%d\n", importTemplate.ValidateRelated ? 1 : 0);
  std::fprintf(file, "SkipRows=%d\n", importTemplate.SkipRows);
  for (const TImportMapping& mapping : importTemplate.Mappings) {
    std::fprintf(file, "<WizardField>\n");
    WriteTemplateValue(file, "Name", mapping.Name.c_str());
    WriteTemplateValue(file, "MappedTo", mapping.MappedTo.c_str());
    std::fprintf(file, "</WF>\n");
  }
  for (const TImportFixedValue& fixed : importTemplate.FixedValues) {
    if (fixed.Value.empty()) continue;
    std::fprintf(file, "<WizardFieldValue>\n");
    WriteTemplateValue(file, "Name", fixed.Name.c_str());
    WriteTemplateValue(file, "Value", fixed.Value.c_str());
    std::fprintf(file, "</WFV>\n");
  }
  std::fprintf(file, "</WT>\n");
  return std::fclose(file) == 0;
}

std::string TemplateFileName(const std::string& name) {
  std::string file = name;
  for (char& c : file)
    if (c == ' ') c = '_';
  return file + ".tpl";
}

bool IsValidTemplateName(const std::string& name) {
  return !name.empty() && name.find_first_of("\\/:*?\"<>|") == std::string::npos &&
         !IsReservedDeviceName(TemplateFileName(name).c_str());
}

std::vector<TTemplateFile> ListImportTemplates(const std::string& folder) {
  std::vector<TTemplateFile> files;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*.tpl").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string path = folder + "\\" + found.cFileName;
    TImportTemplate loaded;
    if (LoadImportTemplate(loaded, path)) files.push_back({loaded.Name, path});
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return files;
}
