// Linking a freshly loaded model: names become pointers, pages and form
// templates are counted, shadow attributes find their real attribute and every
// expression of the model is compiled.
#include "data/core/messages.h"
#include "data/core/strings.h"
#include "data/db/sqltypes.h"
#include "data/model/model.h"
#include "expr/expr.h"

#include <cstdio>
#include <cstring>

namespace {

// Compiles one expression of the model; a faulty one ends the program with the message
// (already formatted by the caller) followed by the reason the compiler gave.
TExpression* CompileOrDie(const char* entityName, const char* text, const char* message) {
  TExpression* expression = new TExpression;
  if (!expression->Compile(entityName, text)) {
    delete expression;
    FatalError(message, ExpressionErrorState.GetErrorMessage());
  }
  return expression;
}

// Linking again replaces what an earlier link compiled.
void SetExpression(TExpression** slot, TExpression* expression) {
  delete *slot;
  *slot = expression;
}

void CountPagesAndTemplates(TDataModel& model, TEntity& entity) {
  entity.PageCount = 0;
  for (int i = 0; i < entity.AttributeCount; ++i) {
    TAttribute& attribute = entity.Attributes[i];
    if (attribute.Page > entity.PageCount) entity.PageCount = attribute.Page;
    if (!ParseSqlType(attribute.SqlTypeText, &attribute.SqlType, &attribute.ColumnSize,
                      &attribute.DecimalDigits))
      FatalError("Invalid SQL data type encountered", "");
  }
  for (int i = 0; i < entity.RelationshipCount; ++i) {
    int page = entity.Relationships[i].KindAndPage / 10;
    if (page > entity.PageCount) entity.PageCount = page;
  }
  if (entity.FormResource[0] == '\0') model.FormTemplateCount += entity.PageCount + 1;
  if (entity.PageCount > 0) model.FormTemplateCount += 1;
}

void ResolveRelationshipNames(TDataModel& model, TEntity& entity) {
  for (int i = 0; i < entity.RelationshipCount; ++i) {
    TRelationship& rel = entity.Relationships[i];
    rel.WithEntity = model.FindEntity(rel.WithEntName);
    if (!rel.WithEntity) FatalError("Could not find entity for withent", "");
    rel.PrimaryEntity = model.FindEntity(rel.PrimaryEntName);
    if (!rel.PrimaryEntity) FatalError("Could not find entity for primaryentname", "");
    rel.ForeignEntity = model.FindEntity(rel.ForeignEntName);
    if (!rel.ForeignEntity) FatalError("Could not find entity for foreignentname", "");
    rel.Reverse = rel.WithEntity->FindRelationship(rel.RevName);
    if (!rel.Reverse) FatalError("Could not find relationship for revname", "");
    if (rel.WhereText[0]) {
      TTempString message;
      // The where text is evaluated for a record of this entity (the form's record, whose
      // related or lookup rows it picks): its names are this entity's.
      std::snprintf(message, TEMP_STRING_SIZE, "Invalid Validation for where clause of relationship %s:%s ",
                    entity.Name, rel.Name);
      SetExpression(&rel.Where, CompileOrDie(entity.Name, rel.WhereText, message));
    }
  }
}

void ResolveAttributeNames(TDataModel& model, TEntity& entity) {
  for (int i = 0; i < entity.AttributeCount; ++i) {
    TAttribute& attribute = entity.Attributes[i];
    if (attribute.CodeListName[0]) {
      attribute.CodeList = model.FindCodeList(attribute.CodeListName);
      if (!attribute.CodeList) FatalError("Could not find code list for codelistname", "");
    }
    if (attribute.ForeignRelName[0]) {
      attribute.ForeignRel = entity.FindRelationship(attribute.ForeignRelName);
      if (!attribute.ForeignRel) FatalError("Could not find relationship for foreignrelname", "");
      attribute.PrimAttr = attribute.ForeignRel->PrimaryEntity->FindAttribute(attribute.PrimAttrName);
      if (!attribute.PrimAttr) FatalError("Could not find attribute for primattrname", "");
    }
  }
}

// The compiled expression of an attribute, or null for an empty text.
TExpression* CompileAttributeExpression(const TEntity& entity, const TAttribute& attribute,
                                        const char* text, const char* format) {
  if (!text[0]) return nullptr;
  TTempString message;
  std::snprintf(message, TEMP_STRING_SIZE, format, attribute.Name, entity.Name);
  return CompileOrDie(entity.Name, text, message);
}

void LinkAttributes(TEntity& entity) {
  for (int i = 0; i < entity.AttributeCount; ++i) {
    TAttribute& attribute = entity.Attributes[i];
    attribute.EffectiveMandatory =
        (HasAttrFlag(&attribute, 'F') || HasAttrFlag(&attribute, 'E')) ? 0 : attribute.Mandatory;
    SetExpression(&attribute.Validation,
                  CompileAttributeExpression(entity, attribute, attribute.ValidationText,
                                             "Invalid Validation for attribute %s of entity %s: "));
    if (attribute.NonStored && attribute.DefaultText[0] == '\0') {
      attribute.RealAttrIndex = -1;
      for (int j = 0; j < entity.AttributeCount; ++j) {
        const TAttribute& other = entity.Attributes[j];
        if (j != i && !other.NonStored && _stricmp(other.Name, attribute.Name) == 0) {
          attribute.RealAttrIndex = j;
          break;
        }
      }
      if (attribute.RealAttrIndex < 0)
        FatalError("Real attribute non-existent for shadow attribute: ", attribute.Name);
    }
    SetExpression(&attribute.Default,
                  CompileAttributeExpression(entity, attribute, attribute.DefaultText,
                                             "Invalid Default Value for attribute %s of entity %s: "));
    SetExpression(&attribute.DefaultAtStore,
                  CompileAttributeExpression(entity, attribute, attribute.DefaultAtStoreText,
                                             "Invalid Default at Store for attribute %s of entity %s: "));
    if (attribute.Default)
      attribute.Default->RegisterDependencies(!attribute.NonStored && attribute.Calculated ? 1 : 0);
  }
}

}  // namespace

void TDataModel::LinkAndValidate() {
  FormTemplateCount = 0;
  for (int i = 0; i < EntityCount; ++i) CountPagesAndTemplates(*this, Entities[i]);
  for (int i = 0; i < EntityCount; ++i) {
    ResolveRelationshipNames(*this, Entities[i]);
    ResolveAttributeNames(*this, Entities[i]);
  }
  for (int i = 0; i < EntityCount; ++i) LinkAttributes(Entities[i]);
}
