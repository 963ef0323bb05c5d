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
  FreeString(&value_);
  FreeString(&newValue_);
}

TDBFieldValue& TDBFieldValue::operator=(const TDBFieldValue& other) {
  TDBFieldValue* self = Self();
  const TDBFieldValue* source = other.Self();
  if (self == source) return *this;
  self->flags_ = source->flags_;
  Assign(&self->value_, source->value_);
  Assign(&self->newValue_, source->newValue_);
  return *this;
}

void TDBFieldValue::Clear() {
  if (flags_ & IsShared) return;
  flags_ = 0;
  ReplaceString(&value_, "");
  ReplaceString(&newValue_, "");
}

void TDBFieldValue::MakeShared(TDBFieldValue* target) {
  if (!(flags_ & IsShared)) {
    FreeString(&value_);
    FreeString(&newValue_);
  }
  newValue_ = EmptyString;
  flags_ = IsShared;
  target_ = target;
}

uint32_t TDBFieldValue::Flags() const { return Self()->flags_; }

void TDBFieldValue::SetValue(const char* text) {
  TDBFieldValue* self = Self();
  Assign(&self->value_, text);
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

void TDBFieldValue::Commit() {
  TDBFieldValue* self = Self();
  if (!(self->flags_ & HasNewValue)) return;
  // The new text moves over; the new value is empty again.
  FreeString(&self->value_);
  self->value_ = self->newValue_;
  self->newValue_ = EmptyString;
  self->flags_ = HasValue;
}
