// Import templates: the settings of one import (source file, destination table, separator,
// header handling, column mapping and fixed values), kept in a ".tpl" file of the
// start-up folder so that the same import can be run again.
#pragma once

#include <string>
#include <vector>

// The attribute caption that a file column feeds, or "<none>".
extern const char* const NotMapped;

struct TImportMapping {
  std::string Name;                // the file column's name
  std::string MappedTo = NotMapped;  // the caption of the attribute it feeds
};

struct TImportFixedValue {
  std::string Name;   // attribute caption
  std::string Value;  // empty values are not saved
};

struct TImportTemplate {
  std::string Name;
  std::string FilePath;       // the ".tpl" file it was loaded from or is saved to
  std::string InputFilename;
  std::string OutputTable;    // caption of the destination entity
  char Separator = ',';
  bool FieldNames = true;     // the first line holds the column names
  bool StripQuotes = true;    // not saved
  bool ValidateRelated = true;
  int SkipRows = 0;           // lines skipped after the header line
  std::vector<TImportMapping> Mappings;  // in file column order
  std::vector<TImportFixedValue> FixedValues;
  bool DetectSeparator = false;  // a new template: the first line decides the separator

  // Everything back to the defaults above.
  void Reset();
  // The fixed-value entry of the attribute caption, created when missing.
  TImportFixedValue& FixedValue(const std::string& caption);
};

// The one current template of the import wizard.
extern TImportTemplate CurrentImportTemplate;

// true when loaded; false when the file cannot be opened, or holds a NUL (a damaged file
// whose names and values cannot be read whole); the template keeps its path.
bool LoadImportTemplate(TImportTemplate& importTemplate, const std::string& path);
// Writes the template to its file path; false (after telling the user) when the file
// cannot be created.
bool SaveImportTemplate(const TImportTemplate& importTemplate);
// The file name of a template name: blanks as '_', then ".tpl".
std::string TemplateFileName(const std::string& name);
// A template name holds none of the characters that name folders or drives, and its file
// is not a device Windows keeps for itself (CON, NUL, COM1 and the like, any extension).
bool IsValidTemplateName(const std::string& name);

struct TTemplateFile {
  std::string name;  // the Name inside the file
  std::string path;
};
// Every "*.tpl" file of the folder that loads, with the name it holds.
std::vector<TTemplateFile> ListImportTemplates(const std::string& folder);
