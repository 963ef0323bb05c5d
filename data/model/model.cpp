// The in-memory model: entities, attributes, relationships and code lists, linked once.
#include "data/model/model.h"

#include "data/core/strings.h"
#include "expr/expression.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

TDataModel TheModel;

namespace {

void FreeStrings(std::initializer_list<char**> fields) {
  for (char** field : fields) FreeString(field);
}

template <typename T>
T* FindByName(T* items, int count, const char* name) {
  for (int i = 0; i < count; ++i)
    if (_stricmp(items[i].Name, name) == 0) return &items[i];
  return nullptr;
}

// Dependent lists grow ten entries at a time and never hold duplicates.
template <typename T>
void AppendPointer(int& count, T**& items, T* item) {
  if (count % 10 == 0) {
    T** grown = static_cast<T**>(std::malloc(sizeof(T*) * (count / 10 + 1) * 10));
    if (count > 0) std::memcpy(grown, items, sizeof(T*) * count);
    std::free(items);
    items = grown;
  }
  items[count++] = item;
}

template <typename T>
int ContainsPointer(int count, T* const* items, const T* item) {
  for (int i = 0; i < count; ++i)
    if (items[i] == item) return 1;
  return 0;
}

}  // namespace

TCodeListItem::TCodeListItem() : Key(EmptyString), Caption(EmptyString), ExtraText(EmptyString) {}
TCodeListItem::~TCodeListItem() { FreeStrings({&Key, &Caption, &ExtraText}); }

TCodeList::TCodeList() : Name(EmptyString), ItemCount(0), ItemCapacity(0), Items(nullptr) {}
TCodeList::~TCodeList() {
  delete[] Items;
  FreeString(&Name);
}

TCodeListItem* TCodeList::FindItem(const char* key) const {
  for (int i = 0; i < ItemCount; ++i)
    if (_stricmp(Items[i].Key, key) == 0) return &Items[i];
  return nullptr;
}

TAttribute::TAttribute() {
  std::memset(static_cast<void*>(this), 0, sizeof *this);
  for (char** field : {&Name, &Caption, &SqlTypeText, &HelpText, &SpareText1, &Flags, &CodeListName,
                       &ForeignRelName, &PrimAttrName, &ValidationText, &DefaultText,
                       &DefaultAtStoreText, &SpareText2, &FontFace, &FontSize, &TextColour, &SpareText3,
                       &FieldStyle, &LabelStyle, &BackgroundColour, &SecondColour})
    *field = EmptyString;
  RealAttrIndex = -1;
}

TAttribute::~TAttribute() {
  FreeStrings({&Name, &Caption, &SqlTypeText, &HelpText, &SpareText1, &Flags, &CodeListName,
               &ForeignRelName, &PrimAttrName, &ValidationText, &DefaultText, &DefaultAtStoreText,
               &SpareText2, &FontFace, &FontSize, &TextColour, &SpareText3, &FieldStyle, &LabelStyle, &BackgroundColour,
               &SecondColour});
  delete Validation;
  delete Default;
  delete DefaultAtStore;
  for (HFONT font : Fonts)
    if (font) DeleteObject(font);
}

TRelationship::TRelationship() {
  std::memset(static_cast<void*>(this), 0, sizeof *this);
  for (char** field : {&Name, &WithEntName, &Caption, &SpareText1, &SpareText2, &RevName,
                       &PrimaryEntName, &ForeignEntName, &ColumnText, &OrderBy, &WhereText,
                       &ListHeightText})
    *field = EmptyString;
}

TRelationship::~TRelationship() {
  FreeStrings({&Name, &WithEntName, &Caption, &SpareText1, &SpareText2, &RevName, &PrimaryEntName,
               &ForeignEntName, &ColumnText, &OrderBy, &WhereText, &ListHeightText});
  delete Where;
}

TEntity::TEntity() {
  std::memset(static_cast<void*>(this), 0, sizeof *this);
  for (char** field : {&Name, &Caption, &TitleText, &SpareText1, &FileNameText, &ColumnListText,
                       &OrderText, &SpareText2, &SpareText3, &FormResource, &Colour})
    *field = EmptyString;
}

TEntity::~TEntity() {
  delete[] Attributes;
  delete[] Relationships;
  std::free(DependentRels);
  std::free(DependentEnts);
  FreeStrings({&Name, &Caption, &TitleText, &SpareText1, &FileNameText, &ColumnListText, &OrderText,
               &SpareText2, &SpareText3, &FormResource, &Colour});
}

TAttribute* TEntity::FindAttribute(const char* name) const {
  return FindByName(Attributes, AttributeCount, name);
}

TRelationship* TEntity::FindRelationship(const char* name) const {
  return FindByName(Relationships, RelationshipCount, name);
}

int TEntity::AttributeIndex(const TAttribute* attribute) const {
  for (int i = 0; i < AttributeCount; ++i)
    if (&Attributes[i] == attribute) return i;
  return -1;
}

int TEntity::IsResetEnabled() const {
  TTempString key;
  std::snprintf(key, TEMP_STRING_SIZE, "RESET:%s", Name);
  TModelParam* param = TheModel.FindParam(key);
  return param && (param->Value[0] == 'y' || param->Value[0] == 'Y');
}

void TEntity::AddDependentRelationship(TRelationship* relationship) {
  if (!HasDependentRelationship(relationship))
    AppendPointer(DependentRelCount, DependentRels, relationship);
}

int TEntity::HasDependentRelationship(const TRelationship* relationship) const {
  return ContainsPointer(DependentRelCount, DependentRels, relationship);
}

void TEntity::AddDependentEntity(TEntity* entity) {
  if (entity != this && !HasDependentEntity(entity))
    AppendPointer(DependentEntCount, DependentEnts, entity);
}

int TEntity::HasDependentEntity(const TEntity* entity) const {
  return ContainsPointer(DependentEntCount, DependentEnts, entity);
}

TModelParam::TModelParam() : Name(EmptyString), Value(EmptyString) {}
TModelParam::~TModelParam() { FreeStrings({&Name, &Value}); }

TDataModel::TDataModel() {
  std::memset(static_cast<void*>(this), 0, sizeof *this);
  for (char** field : {&ModelName, &Title, &SpareText1, &DatabaseName, &DefaultUser, &DefaultPassword,
                       &SpareText2, &SpareText3})
    *field = EmptyString;
}

TDataModel::~TDataModel() { Clear(); }

void TDataModel::Clear() {
  ++Generation;
  delete[] CodeLists;
  delete[] Entities;
  delete[] Params;
  for (char** field : {&ModelName, &Title, &SpareText1, &DatabaseName, &DefaultUser, &DefaultPassword,
                       &SpareText2, &SpareText3}) {
    FreeString(field);
    *field = EmptyString;
  }
  SpareNumber = SpareFlag = UseTransactions = 0;
  CodeListCount = CodeListCapacity = 0;
  CodeLists = nullptr;
  EntityCount = EntityCapacity = 0;
  Entities = nullptr;
  ParamCount = ParamCapacity = 0;
  Params = nullptr;
  FormTemplateCount = 0;
}

TEntity* TDataModel::FindEntity(const char* name) const {
  return FindByName(Entities, EntityCount, name);
}

TCodeList* TDataModel::FindCodeList(const char* name) const {
  return FindByName(CodeLists, CodeListCount, name);
}

TModelParam* TDataModel::FindParam(const char* name) const {
  return FindByName(Params, ParamCount, name);
}

int TDataModel::EntityIndex(const TEntity* entity) const {
  for (int i = 0; i < EntityCount; ++i)
    if (&Entities[i] == entity) return i;
  return -1;
}

int HasAttrFlag(const TAttribute* attribute, char letter) {
  const char* flags = attribute->Flags;
  if (flags[0] != '@') return 0;
  for (const char* p = flags + 1; *p && *p != ' '; ++p)
    if (*p == letter) return 1;
  return 0;
}
