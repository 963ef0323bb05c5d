// The value of one attribute inside a record: stored and new texts, shared fields.
#include <cstring>

#include "data/core/strings.h"
#include "data/db/record.h"

namespace {
// The field takes a copy of text before letting go of its old one: text may be the
// field's own value.
void Assign(char** field, const char* text) {
  char* old = *field;
  SetString(field, text ? text : "");
  FreeString(&old);
}
}  // namespace

TDBFieldValue::TDBFieldValue() : value_(EmptyString), newValue_(EmptyString) {}

TDBFieldValue::~TDBFieldValue() {
  if (flags_ & IsShared) return;
  DropValue();
  FreeString(&newValue_);
}

void TDBFieldValue::DropValue() {
  if (!valueBorrowed_) FreeString(&value_);
  value_ = EmptyString;
  valueBorrowed_ = false;
}

TDBFieldValue& TDBFieldValue::operator=(const TDBFieldValue& other) {
  TDBFieldValue* self = Self();
  const TDBFieldValue* source = other.Self();
  if (self == source) return *this;
  self->SetValue(source->value_);
  self->flags_ = source->flags_;
  Assign(&self->newValue_, source->newValue_);
  return *this;
}

void TDBFieldValue::Clear() {
  if (flags_ & IsShared) return;
  flags_ = 0;
  DropValue();
  ReplaceString(&newValue_, "");
}

void TDBFieldValue::MakeShared(TDBFieldValue* target) {
  if (!(flags_ & IsShared)) {
    DropValue();
    FreeString(&newValue_);
  }
  newValue_ = EmptyString;
  flags_ = IsShared;
  target_ = target;
}

uint32_t TDBFieldValue::Flags() const { return Self()->flags_; }

void TDBFieldValue::SetValue(const char* text) {
  TDBFieldValue* self = Self();
  // The copy is taken before the old text goes: text may be the field's own value.
  char* old = self->value_;
  const bool borrowed = self->valueBorrowed_;
  SetString(&self->value_, text ? text : "");
  self->valueBorrowed_ = false;
  if (!borrowed) FreeString(&old);
  self->flags_ |= HasValue;
}

void TDBFieldValue::SetBorrowedValue(const char* text) {
  TDBFieldValue* self = Self();
  self->DropValue();
  if (text && *text) {
    self->value_ = const_cast<char*>(text);
    self->valueBorrowed_ = true;
  }
  self->flags_ |= HasValue;
}

void TDBFieldValue::SetNewValue(const char* text) {
  TDBFieldValue* self = Self();
  Assign(&self->newValue_, text);
  self->flags_ |= HasNewValue;
}

const char* TDBFieldValue::Value() const { return Self()->value_; }
const char* TDBFieldValue::NewValue() const { return Self()->newValue_; }

const char* TDBFieldValue::CurrentValue() const {
  const TDBFieldValue* self = Self();
  return (self->flags_ & HasNewValue) ? self->newValue_ : self->value_;
}

bool TDBFieldValue::IsChanged() const {
  const TDBFieldValue* self = Self();
  if ((self->flags_ & (HasValue | HasNewValue)) != (HasValue | HasNewValue)) return false;
  return _stricmp(self->value_, self->newValue_) != 0;
}

void TDBFieldValue::SaveTo(TSaved& saved) const {
  const TDBFieldValue* self = Self();
  saved.flags = self->flags_;
  saved.value = self->value_;
  saved.newValue = self->newValue_;
}

void TDBFieldValue::RestoreFrom(const TSaved& saved) {
  TDBFieldValue* self = Self();
  self->SetValue(saved.value.c_str());
  self->flags_ = saved.flags;
  Assign(&self->newValue_, saved.newValue.c_str());
}

void TDBFieldValue::Commit() {
  TDBFieldValue* self = Self();
  if (!(self->flags_ & HasNewValue)) return;
  // The new text moves over; the new value is empty again.
  self->DropValue();
  self->value_ = self->newValue_;
  self->newValue_ = EmptyString;
  self->flags_ = HasValue;
}
