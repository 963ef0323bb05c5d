// The error channels and their message tables.
#include "expr/errors.h"

#include <algorithm>
#include <initializer_list>
#include <cstring>

const TErrorText ExpressionErrors[] = {
    {ExprInvalidSymbol, "Invalid symbol encountered: "},
    {ExprMisplacedSymbol, "Misplaced symbol encountered: "},
    {ExprExtraSymbols, "Extra symbols encountered starting with: "},
    {ExprUnfinished, "Unfinished expression"},
    {ExprBetweenWithoutAnd, "BETWEEN operator without AND"},
    {ExprFieldNameExpected, "Field name expected after : operator"},
    {ExprUndefinedFunction, "Undefined function: "},
    {ExprWrongArgumentCount, "Incorrect number of parameters for function: "},
    {ExprUndefinedAttribute, "Undefined attribute: "},
    {ExprUndefinedRelationship, "Undefined relationship: "},
    {ExprNotToMany, "Relationship is not to-many: "},
    {ExprNotToOne, "Relationship is not to-one: "},
    {ExprBadRelationship, "Incorrect relationship expression"},
    {ExprUndefinedEntity, "Undefined entity: "},
    {ExprDivideByZero, "Divide by zero"},
    {ExprIllegalCall, "Illegal function call for: "},
    {ExprUnknownSqlType, "Unknown SQL data type: "},
    {ExprSqlProblem, "SQL execution problem"},
    {ExprInvalidDataType, "Invalid Data Type"},
    {0, nullptr},
};

const TErrorText RecordErrors[] = {
    {101, "Invalid field name: "},
    {102, "SQL execution error"},
    {103, "No related record for relationship: "},
    {104, "Insert failed"},
    {105, "Record does not exist"},
    {106, "Related record(s) found for relationship: "},
    {107, "Cascade failed with relationship: "},
    {108, "Delete failed"},
    {109, "Cascade too deep - possible infinite loop"},
    {110, "Mandatory field not filled out: "},
    {111, "Record has been changed by another user"},
    {112, "Record already exists"},
    {113, "Update failed"},
    {114, "Invalid Field Data : "},
    {115, "Invalid value entered for field "},
    {116, "Field not set: "},
    {0, nullptr},
};

const TErrorText RecordListErrors[] = {
    {150, "Record limit exceeded"},
    {151, "SQL execution error"},
    {152, "Unknown relationship name: "},
    {0, nullptr},
};

TErrorState SqlErrorState;
TErrorState ExpressionErrorState;
TErrorState RecordErrorState;
TErrorState RecordListErrorState;

namespace {

constexpr char Separator[] = ": ";
constexpr size_t SeparatorLength = sizeof Separator - 1;

// Appends at most `room` characters of text at `end`; returns the new end.
char* AppendCut(char* end, const char* text, size_t length, size_t room) {
  size_t n = std::min(length, room);
  std::memcpy(end, text, n);
  return end + n;
}

}  // namespace

TErrorState::TErrorState() : code_(0), message_(new char[MessageLimit + 1]) { message_[0] = '\0'; }

TErrorState::~TErrorState() { delete[] message_; }

void TErrorState::Clear() {
  code_ = 0;
  message_[0] = '\0';
}

void TErrorState::SetErrorCode(uint32_t code) {
  code_ = code;
  message_[0] = '\0';
}

void TErrorState::SetErrorText(uint32_t code, const char* text) {
  code_ = code;
  if (!text) text = "";
  char* end = AppendCut(message_, text, std::strlen(text), MessageLimit);
  *end = '\0';
}

void TErrorState::SetErrorFromTable(uint32_t code, const TErrorText* table, const char* detail) {
  if (!detail) detail = "";
  SetErrorCode(code);
  if (code == 0) return;
  if (code == 999) {
    SetErrorText(code, detail);
    return;
  }
  const char* text = FindErrorText(table, code);
  if (!text) {
    SetErrorText(code, "Unknown error message");
    return;
  }
  // The detail is kept whole when it fits; the table's text gives way first.
  const size_t detailLength = std::min(std::strlen(detail), size_t(MessageLimit));
  size_t room = MessageLimit - detailLength;
  const size_t textLength = std::min(std::strlen(text), room > SeparatorLength ? room - SeparatorLength : 0);
  char* end = AppendCut(message_, text, textLength, room);
  room -= textLength;
  end = AppendCut(end, Separator, SeparatorLength, room);
  end = AppendCut(end, detail, detailLength, MessageLimit - (end - message_));
  *end = '\0';
}

bool AnyErrorPending() {
  for (const TErrorState* channel :
       {&SqlErrorState, &RecordErrorState, &RecordListErrorState, &ExpressionErrorState})
    if (!channel->IsErrorFree()) return true;
  return false;
}

const char* FindErrorText(const TErrorText* table, uint32_t code) {
  if (!table) return nullptr;
  for (const TErrorText* row = table; row->code != 0; ++row)
    if (uint32_t(row->code) == code) return row->text;
  return nullptr;
}
