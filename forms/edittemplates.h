// The edit-form templates generated for the entities of the model: built once at
// start-up and kept by name ("Edit_<entity>", pages "Edit_<entity>__<n>").
#pragma once

#include <windows.h>

#include <string>

struct TAttribute;
struct TEntity;

struct TEditFormTemplate {
  char* Name;  // heap string field
  HGLOBAL Template;
};

// The table of generated templates, sized to the model's form-template count.
struct TEditFormTemplateTable {
  TEditFormTemplate* Entries = nullptr;
  int Capacity = 0;
  int Count = 0;
};
extern TEditFormTemplateTable EditFormTemplateTable;

// Builds the templates of every entity without a form of its own; called once.
void BuildEditFormTemplates();
// Frees the table and its templates (shut-down and tests).
void FreeEditFormTemplates();
// The name a template is kept by: "Edit_<entity>" for the form (page -1), and
// "Edit_<entity>__<page>" for a page of a paged entity; as long as the entity's name.
std::string EditFormTemplateName(const TEntity* entity, int page = -1);
// The template stored under the name (compared without regard to case), or null.
HGLOBAL FindEditFormTemplate(const char* name);

// One template: page -1 is the container of a paged entity, 0 the main page, 1 and up the
// secondary pages; child marks a page shown inside the container. keyGroupHeight and width
// carry the main page's key-group height and the container's width between the calls.
HGLOBAL BuildFormTemplate(const TEntity* entity, int page, int* keyGroupHeight, int child,
                          int* width);
// Caption of page n: the "PAGE:<entity>:<n>" model parameter without '&', else "Details".
// The text lives in one buffer that the next call overwrites.
const char* PageCaption(const TEntity* entity, int n);
// The automatic width of an attribute's field on a form of the given width.
int FieldWidth(const TAttribute* attribute, int formWidth);

// Display kinds of an attribute.
int IsPlainField(const TAttribute* attribute);
int IsReadOnlyField(const TAttribute* attribute);
int IsComboField(const TAttribute* attribute);
int IsEditableCombo(const TAttribute* attribute);
int IsDropListCombo(const TAttribute* attribute);
int IsCheckBoxField(const TAttribute* attribute);
int IsRadioGroupField(const TAttribute* attribute);
int HasFieldLabel(const TAttribute* attribute);
