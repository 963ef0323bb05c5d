// Defaults, calculated and shadow fields, validation, and the records that depend on
// this one.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "data/core/strings.h"
#include "data/core/waitcursor.h"
#include "data/db/odbcstatement.h"
#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/db/recordsql.h"
#include "data/model/model.h"
#include "expr/expression.h"

namespace {

// The texts that evaluations return, kept for the whole run outside the temporary pool.
char EvalBuffer[TEMP_STRING_SIZE];

// Evaluates into a scratch buffer of its own (an evaluation may evaluate other records
// on the way) and leaves the result, or "?" on failure, in the kept buffer.
bool EvaluateInto(TDBRecord& record, TExpression* expression, int sqlType, int size, int digits) {
  TTempString result;
  bool ok = expression && expression->EvaluateToString(&record, result, sqlType, size, digits);
  strcpy(EvalBuffer, ok ? result.get() : "?");
  return ok;
}

bool EvaluateAttribute(TDBRecord& record, TExpression* expression, const TAttribute& attribute) {
  return EvaluateInto(record, expression, attribute.SqlType, attribute.ColumnSize, attribute.DecimalDigits);
}

// Evaluates the expression into the field's new value; on failure "?" goes there and
// 114 names the attribute.
bool EvaluateField(TDBRecord& record, int i, TExpression* expression) {
  const TAttribute& attribute = record.GetEntity()->Attributes[i];
  bool ok = EvaluateAttribute(record, expression, attribute);
  record.Field(i).SetNewValue(EvalBuffer);
  if (!ok) record.SetError(RecordInvalidData, attribute.Caption);
  return ok;
}

}  // namespace

const char* TDBRecord::GetCalculatedValue(TAttrRef attribute) {
  SetStatus(0);
  int i = AttributeIndex(entity_, attribute);
  if (i < 0) {
    ReportUnknownAttribute(*this, attribute);
    return "?";
  }
  const TAttribute& a = entity_->Attributes[i];
  TDBFieldValue& field = fields_[i];
  if (!IsStoredAttribute(a) && a.RealAttrIndex < 0 && a.Default && !(field.Flags() & TDBFieldValue::HasNewValue)) {
    bool ok = EvaluateAttribute(*this, a.Default, a);
    field.SetNewValue(EvalBuffer);
    if (!ok) SetError(RecordInvalidData, a.DefaultText);
    return field.NewValue();
  }
  return field.CurrentValue();
}

const char* TDBRecord::EvaluateExpression(const char* text, int sqlType, int size, int digits) {
  SetStatus(0);
  TExpression expression;
  bool ok = expression.Compile(entity_->Name, text) && EvaluateInto(*this, &expression, sqlType, size, digits);
  if (!ok) {
      strcpy(EvalBuffer, "?");
    SetError(RecordInvalidData, text);
  }
  return EvalBuffer;
}

const char* TDBRecord::Evaluate(TExpression* expression, int sqlType, int size, int digits) {
  SetStatus(0);
  if (!EvaluateInto(*this, expression, sqlType, size, digits)) SetError(RecordInvalidData, "");
  return EvalBuffer;
}

void TDBRecord::RefreshCalculated() {
  SetStatus(0);
  ReadCalculatedColumns();
  if (!IsOk()) return;
  TWaitCursor wait;
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (!a.Default) continue;
    if (IsStoredAttribute(a) && *fields_[i].CurrentValue()) continue;
    if (!EvaluateField(*this, i, a.Default)) return;
  }
}

void TDBRecord::Recalculate() {
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (a.Calculated && a.Default && !EvaluateField(*this, i, a.Default)) return;
  }
  RecalculateDependents();
}

void TDBRecord::CalculateNonStored() {
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (!IsStoredAttribute(a) && a.Default && !EvaluateField(*this, i, a.Default)) return;
  }
}

bool TDBRecord::ApplyDefaults() {
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (!a.Default || (!a.Calculated && *fields_[i].CurrentValue())) continue;
    if (!EvaluateField(*this, i, a.Default)) return false;
  }
  return true;
}

bool TDBRecord::ApplyStoreDefaults() {
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (!a.DefaultAtStore || *fields_[i].CurrentValue()) continue;
    if (!EvaluateField(*this, i, a.DefaultAtStore)) return false;
  }
  return true;
}

bool TDBRecord::Validate() {
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (!a.Validation) continue;
    if (!EvaluateInto(*this, a.Validation, SQL_INTEGER, 0, 0)) {
      SetError(RecordInvalidData, a.Caption);
      return false;
    }
    if (strtol(EvalBuffer, nullptr, 10) == 0) {
      SetError(RecordInvalidValue, a.Caption);
      return false;
    }
  }
  return true;
}

namespace {

// The one record of the dependent relationship's entity related to record, copied, or null.
std::unique_ptr<TDBRecord> FindDependent(TRelationship* dependent, TDBRecord& record, bool forUpdate) {
  TDBRecList list(dependent->WithEntity->Name);
  list.SetMaxRecords(1);
  list.SetForUpdate(forUpdate);
  list.SelectRelated(dependent->Name, &record);
  TDBRecord* found = list.GetRecord(0);
  if (!found) return nullptr;
  std::unique_ptr<TDBRecord> copy(NewDBRecord(*found->GetEntity()));
  copy->Assign(*found);
  copy->SetForUpdate(forUpdate);
  return copy;
}

}  // namespace

void TDBRecord::RecalculateDependents() {
  for (int d = 0; d < entity_->DependentRelCount; ++d) {
    std::unique_ptr<TDBRecord> dependent = FindDependent(entity_->DependentRels[d], *this, forUpdate_);
    if (!dependent) continue;
    // Its failures stay with it (the error channel keeps their message).
    dependent->Recalculate();
    dependent->Update(RefuseIfChildren, CheckParents);
  }
}

TDBRecord** TDBRecord::SnapshotDependents() {
  if (entity_->DependentRelCount == 0) return nullptr;
  TDBRecord** dependents = new TDBRecord*[entity_->DependentRelCount];
  // The records related to the row as it is stored, before this record changes it.
  TDBRecord stored(entity_->Name);
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    if (entity_->Attributes[i].RealAttrIndex >= 0) continue;
    const TDBFieldValue& field = fields_[i];
    stored.Field(i).SetValue((field.Flags() & TDBFieldValue::HasValue) ? field.Value() : field.CurrentValue());
  }
  for (int d = 0; d < entity_->DependentRelCount; ++d)
    dependents[d] = FindDependent(entity_->DependentRels[d], stored, forUpdate_).release();
  return dependents;
}

void TDBRecord::UpdateDependents(TDBRecord** dependents) {
  if (!dependents) return;
  for (int d = 0; d < entity_->DependentRelCount; ++d) {
    TDBRecord* dependent = dependents[d];
    if (!dependent) continue;
    // Read again: the row may have been recalculated since the snapshot (by this very
    // store, when it is also a dependent of the new key).
    dependent->Read();
    if (!dependent->IsOk()) continue;
    dependent->Recalculate();
    dependent->Update(RefuseIfChildren, CheckParents);
  }
}

void TDBRecord::FreeDependents(TDBRecord** dependents) {
  if (!dependents) return;
  for (int d = 0; d < entity_->DependentRelCount; ++d) delete dependents[d];
  delete[] dependents;
}

void TDBRecord::ReadCalculatedColumns() {
  auto calculatedColumn = [](const TAttribute& a) { return a.Calculated && IsStoredAttribute(a); };
  std::string columns = JoinColumns(*entity_, calculatedColumn, ",");
  if (columns.empty()) return;
  std::string sql = "SELECT " + columns + " FROM " + entity_->Name + " WHERE " + KeyConditions(*entity_);
  TAtExit drop([this] { DropStatement(); });
  TOdbcStatement* statement = OpenStatement();
  if (!statement || !SQL_SUCCEEDED(statement->Prepare(sql.c_str()))) return SetStatus(RecordSqlError);
  BindKey(*statement, *this, 0, false);
  if (!SQL_SUCCEEDED(statement->Execute())) return SetStatus(RecordSqlError);
  if (SQL_SUCCEEDED(statement->Fetch())) {
    TTempString text;
    int column = 0;
    for (int i = 0; i < entity_->AttributeCount; ++i) {
      if (!calculatedColumn(entity_->Attributes[i])) continue;
      statement->GetData(column++, text, TEMP_STRING_SIZE);
      fields_[i].Clear();
      fields_[i].SetValue(text);
    }
  }
  statement->CloseCursor();
}
