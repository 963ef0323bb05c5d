// The field-values file of the edit form.
#include "forms/fieldvalues.h"

#include <cstdio>

#include "data/db/record.h"
#include "data/model/model.h"

std::string FieldValueLine(const char* value) {
  std::string line;
  for (const char* p = value; *p; ++p) {
    if (*p == '\r' || *p == '\n') {
      if (*p == '\r' && p[1] == '\n') ++p;
      line += "\n*";
    } else {
      line += *p;
    }
  }
  return line;
}

bool WriteFieldValuesFile(const std::string& path, TDBRecord* record, HWND window) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (!file) return false;
  const TEntity* entity = record->GetEntity();
  std::fprintf(file, "TABLE %s\n", entity->Name);
  for (int i = 0; i < entity->AttributeCount; ++i) {
    const TAttribute& attribute = entity->Attributes[i];
    if (!IsStoredAttribute(attribute)) continue;
    std::fprintf(file, "%s=%s\n", attribute.Name, FieldValueLine(record->GetValue(i)).c_str());
  }
  std::fprintf(file, "ENDREC\n");
  std::fprintf(file, "HWINDOW %d\n", static_cast<int>(reinterpret_cast<INT_PTR>(window)));
  const bool written = std::ferror(file) == 0;
  return std::fclose(file) == 0 && written;
}
