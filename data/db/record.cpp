// TDBRecord: fields by position or name, status and error channel, key and change tests.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/core/strings.h"
#include "data/db/dialect.h"
#include "data/db/record.h"
#include "data/db/recordsql.h"
#include "data/db/recordtxn.h"
#include "data/model/model.h"
#include "expr/errors.h"

namespace {

// Failures of a statement: inside an operation's transaction they undo all of it, also
// when a nested record does not pass them on.
bool IsWriteFailure(int code) {
  switch (code) {
    case RecordSqlError: case RecordInsertFailed: case RecordCascadeFailed:
    case RecordDeleteFailed: case RecordChangedByOther: case RecordUpdateFailed:
      return true;
    default:
      return false;
  }
}

}  // namespace

void ReportUnknownAttribute(TDBRecord& record, TAttrRef attribute) {
  char digits[16];
  const char* detail = attribute.name;
  if (!attribute.IsName()) {
    snprintf(digits, sizeof digits, "%d", attribute.position);
    detail = digits;
  }
  record.SetError(RecordInvalidFieldName, detail);
}

bool IsStoredAttribute(const TAttribute& attribute) { return !attribute.NonStored; }

bool IsKeyAttribute(const TAttribute& attribute) {
  return attribute.KeyPart && attribute.RealAttrIndex < 0;
}

TDBRecord* NewDBRecord(const char* entityName) { return new TDBRecord(entityName); }
TDBRecord* NewDBRecord(TEntity& entity) { return new TDBRecord(entity); }

TDBRecord::TDBRecord(const char* entityName) : TDBObject(entityName) { MakeFields(); }

TDBRecord::TDBRecord(TEntity& entity) : TDBObject(entity) { MakeFields(); }

void TDBRecord::MakeFields() {
  fields_ = new TDBFieldValue[entity_->AttributeCount];
  // A shadow without a default of its own shows and edits its real attribute.
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    int real = entity_->Attributes[i].RealAttrIndex;
    if (real >= 0) fields_[i].MakeShared(&fields_[real]);
  }
}

TDBRecord::~TDBRecord() {
  delete[] fields_;
  std::free(rowTexts_);
}

void TDBRecord::SetStoredValues(const char* texts, size_t size) {
  int stored = 0;
  for (int i = 0; i < entity_->AttributeCount; ++i)
    if (IsStoredAttribute(entity_->Attributes[i])) ++stored;
  // Only terminators: every value is empty, and no block is needed.
  char* block = size > size_t(stored) ? static_cast<char*>(std::malloc(size)) : nullptr;
  if (block) std::memcpy(block, texts, size);
  char* next = block;
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    if (!IsStoredAttribute(entity_->Attributes[i])) continue;
    fields_[i].Clear();
    if (!block || !*next) {
      fields_[i].SetValue("");
      if (next) ++next;
      continue;
    }
    fields_[i].SetBorrowedValue(next);
    next += std::strlen(next) + 1;
  }
  // Every field that borrowed from the old block has just been given a new value.
  std::free(rowTexts_);
  rowTexts_ = block;
}

void TDBRecord::MakeFresh() {
  DropStatement();
  status_ = 0;
  forUpdate_ = false;
  for (int i = 0; i < entity_->AttributeCount; ++i) fields_[i].Clear();
  std::free(rowTexts_);
  rowTexts_ = nullptr;
}

TRecordTexts& TDBRecord::Texts() {
  if (!texts_) texts_ = std::make_unique<TRecordTexts>(*entity_);
  return *texts_;
}

int TDBRecord::FieldCount() const { return entity_->AttributeCount; }

void TDBRecord::Reset() {
  TDBObject::Reset();
  for (int i = 0; i < entity_->AttributeCount; ++i) fields_[i].Clear();
}

void TDBRecord::SetStatus(int code) {
  status_ = code;
  RecordErrorState.SetErrorFromTable(code, RecordErrors, "");
  if (IsWriteFailure(code)) TRecordTransaction::MarkFailed(RecordErrorState.GetErrorMessage());
}

void TDBRecord::SetError(int code, const char* detail) {
  status_ = code;
  // A lock that outlasted the wait: the user can do something about it.
  if (TSqlDialect::IsBusyDiagnostic(detail)) detail = DATABASE_BUSY_MESSAGE;
  RecordErrorState.SetErrorFromTable(code, RecordErrors, detail);
  if (IsWriteFailure(code)) TRecordTransaction::MarkFailed(RecordErrorState.GetErrorMessage());
}

void TDBRecord::Assign(const TDBRecord& other) {
  SetStatus(0);
  for (int i = 0; i < entity_->AttributeCount; ++i)
    if (entity_->Attributes[i].RealAttrIndex < 0) fields_[i] = other.fields_[i];
}

void TDBRecord::SaveFields(std::vector<TDBFieldValue::TSaved>& saved) const {
  saved.resize(entity_->AttributeCount);
  for (int i = 0; i < entity_->AttributeCount; ++i)
    if (entity_->Attributes[i].RealAttrIndex < 0) fields_[i].SaveTo(saved[i]);
}

void TDBRecord::RestoreFields(const std::vector<TDBFieldValue::TSaved>& saved) {
  for (int i = 0; i < entity_->AttributeCount && i < static_cast<int>(saved.size()); ++i)
    if (entity_->Attributes[i].RealAttrIndex < 0) fields_[i].RestoreFrom(saved[i]);
}

int TDBRecord::AttributeIndex(TEntity* entity, TAttrRef attribute) {
  if (!attribute.IsName()) return attribute.position;
  for (int i = 0; i < entity->AttributeCount; ++i)
    if (SameNameIgnoringCase(entity->Attributes[i].Name, attribute.name)) return i;
  return -1;
}

int TDBRecord::FieldIndex(TEntity* entity, TAttrRef attribute) {
  auto hasField = [](const TAttribute& a) { return IsStoredAttribute(a) || a.RealAttrIndex >= 0; };
  if (!attribute.IsName()) {
    int i = attribute.position;
    return i >= 0 && hasField(entity->Attributes[i]) ? i : -1;
  }
  for (int i = 0; i < entity->AttributeCount; ++i) {
    const TAttribute& a = entity->Attributes[i];
    if (SameNameIgnoringCase(a.Name, attribute.name) && hasField(a)) return i;
  }
  return -1;
}

TDBFieldValue* TDBRecord::FieldOrReport(TAttrRef attribute) {
  SetStatus(0);
  int i = FieldIndex(entity_, attribute);
  if (i >= 0) return &fields_[i];
  ReportUnknownAttribute(*this, attribute);
  return nullptr;
}

void TDBRecord::SetNewValue(TAttrRef attribute, const char* text) {
  if (TDBFieldValue* field = FieldOrReport(attribute)) field->SetNewValue(text);
}

const char* TDBRecord::GetValue(TAttrRef attribute) {
  TDBFieldValue* field = FieldOrReport(attribute);
  return field ? field->CurrentValue() : "?";
}

void TDBRecord::SetValue(TAttrRef attribute, const char* text) {
  if (TDBFieldValue* field = FieldOrReport(attribute)) field->SetValue(text);
}

const char* TDBRecord::GetOldValue(TAttrRef attribute) {
  TDBFieldValue* field = FieldOrReport(attribute);
  return field ? field->Value() : "?";
}

bool TDBRecord::IsFieldChanged(TAttrRef attribute) {
  TDBFieldValue* field = FieldOrReport(attribute);
  return field && field->IsChanged();
}

bool TDBRecord::IsKeyChanged() {
  SetStatus(0);
  for (int i = 0; i < entity_->AttributeCount; ++i)
    if (IsKeyAttribute(entity_->Attributes[i]) && fields_[i].IsChanged()) return true;
  return false;
}

bool TDBRecord::IsModified() {
  SetStatus(0);
  for (int i = 0; i < entity_->AttributeCount; ++i)
    if (fields_[i].IsChanged()) return true;
  return false;
}

bool TDBRecord::HasSameKey(TDBRecord& other) {
  SetStatus(0);
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    if (!IsKeyAttribute(entity_->Attributes[i])) continue;
    if (strcmp(fields_[i].CurrentValue(), other.GetValue(i)) != 0) return false;
  }
  return true;
}

void TDBRecord::OnBeforeStore() {}
void TDBRecord::OnAfterStore() {}
