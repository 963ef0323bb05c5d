// Error channels: each keeps only the latest error of one source, a code and a text.
#pragma once

#include <cstdint>

// One row of an error table; a table ends with a row whose code is 0.
struct TErrorText {
  int32_t code;
  const char* text;
};

// Codes of the expression errors; the texts are ExpressionErrors.
enum TExpressionError : uint32_t {
  ExprInvalidSymbol = 200,
  ExprMisplacedSymbol = 201,
  ExprExtraSymbols = 202,
  ExprUnfinished = 203,
  ExprBetweenWithoutAnd = 204,
  ExprFieldNameExpected = 205,
  ExprUndefinedFunction = 206,
  ExprWrongArgumentCount = 207,
  ExprUndefinedAttribute = 208,
  ExprUndefinedRelationship = 209,
  ExprNotToMany = 210,
  ExprNotToOne = 211,
  ExprBadRelationship = 212,
  ExprUndefinedEntity = 213,
  ExprDivideByZero = 214,
  ExprIllegalCall = 215,
  ExprUnknownSqlType = 216,
  ExprSqlProblem = 217,
  ExprInvalidDataType = 218,
};

// The errors of the expression language (200 to 218).
extern const TErrorText ExpressionErrors[];
// The errors of the record classes (101 to 116) and of the record lists (150 to 152).
extern const TErrorText RecordErrors[];
extern const TErrorText RecordListErrors[];

// Code 0 means no error; the message holds at most MessageLimit characters.
class TErrorState {
public:
  static constexpr int MessageLimit = 1023;

  TErrorState();
  ~TErrorState();
  TErrorState(const TErrorState&) = delete;
  TErrorState& operator=(const TErrorState&) = delete;

  void Clear();
  void SetErrorCode(uint32_t code);
  void SetErrorText(uint32_t code, const char* text);
  // Message = the table's text for the code, ": " and the detail. Code 999 takes the
  // detail alone, code 0 leaves the message empty; a code not in the table gives
  // "Unknown error message".
  void SetErrorFromTable(uint32_t code, const TErrorText* table, const char* detail);

  bool IsErrorFree() const { return code_ == 0; }
  uint32_t GetErrorCode() const { return code_; }
  const char* GetErrorMessage() const { return message_; }

private:
  uint32_t code_;
  char* message_;
};

extern TErrorState SqlErrorState;
extern TErrorState ExpressionErrorState;
extern TErrorState RecordErrorState;
extern TErrorState RecordListErrorState;

// True while any of the four channels holds an error.
bool AnyErrorPending();

// The table's text for a code, or nullptr when the table has no such row.
const char* FindErrorText(const TErrorText* table, uint32_t code);
