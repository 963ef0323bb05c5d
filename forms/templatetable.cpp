// The table of the generated edit-form templates, by entity and page name.
#include <cstdio>

#include "data/core/strings.h"
#include "data/model/model.h"
#include "forms/edittemplates.h"

TEditFormTemplateTable EditFormTemplateTable;

namespace {

void StoreTemplate(const char* name, HGLOBAL handle) {
  TEditFormTemplateTable& table = EditFormTemplateTable;
  if (table.Count >= table.Capacity) {
    // The model's count is the expected number; grow rather than lose a form.
    const int capacity = table.Capacity ? table.Capacity * 2 : 16;
    auto* entries = new TEditFormTemplate[capacity];
    for (int k = 0; k < table.Count; ++k) entries[k] = table.Entries[k];
    delete[] table.Entries;
    table.Entries = entries;
    table.Capacity = capacity;
  }
  TEditFormTemplate& entry = table.Entries[table.Count++];
  entry.Name = EmptyString;
  SetString(&entry.Name, name);
  entry.Template = handle;
}

}  // namespace

void BuildEditFormTemplates() {
  FreeEditFormTemplates();
  TEditFormTemplateTable& table = EditFormTemplateTable;
  table.Capacity = TheModel.FormTemplateCount > 0 ? TheModel.FormTemplateCount : 0;
  table.Entries = table.Capacity ? new TEditFormTemplate[table.Capacity] : nullptr;
  for (int e = 0; e < TheModel.EntityCount; ++e) {
    const TEntity* entity = &TheModel.Entities[e];
    if (*entity->FormResource) continue;
    int keyGroupHeight = 0;
    int width = 0;
    const std::string name = EditFormTemplateName(entity);
    if (entity->PageCount > 0) {
      StoreTemplate(name.c_str(), BuildFormTemplate(entity, -1, &keyGroupHeight, 0, &width));
      for (int page = 0; page <= entity->PageCount; ++page)
        StoreTemplate(EditFormTemplateName(entity, page).c_str(),
                      BuildFormTemplate(entity, page, &keyGroupHeight, 1, &width));
    } else {
      StoreTemplate(name.c_str(), BuildFormTemplate(entity, 0, &keyGroupHeight, 0, &width));
    }
  }
}

void FreeEditFormTemplates() {
  TEditFormTemplateTable& table = EditFormTemplateTable;
  for (int k = 0; k < table.Count; ++k) {
    FreeString(&table.Entries[k].Name);
    if (table.Entries[k].Template) GlobalFree(table.Entries[k].Template);
  }
  delete[] table.Entries;
  table = TEditFormTemplateTable{};
}

std::string EditFormTemplateName(const TEntity* entity, int page) {
  std::string name = std::string("Edit_") + entity->Name;
  if (page >= 0) name += "__" + std::to_string(page);
  return name;
}

HGLOBAL FindEditFormTemplate(const char* name) {
  const TEditFormTemplateTable& table = EditFormTemplateTable;
  for (int k = 0; k < table.Count; ++k)
    if (lstrcmpiA(table.Entries[k].Name, name) == 0) return table.Entries[k].Template;
  return nullptr;
}
