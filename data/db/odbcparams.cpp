// Input parameters of a statement, bound from text by SQL type.
#include <cstdlib>
#include <cstring>

#include "data/core/strings.h"
#include "data/db/odbcstatement.h"

TOdbcParam::TOdbcParam() { SetString(&text, ""); }
TOdbcParam::~TOdbcParam() { FreeString(&text); }

namespace {

bool IsTextType(int sqlType) {
  switch (sqlType) {
    case SQL_CHAR: case SQL_VARCHAR: case SQL_NUMERIC: case SQL_DECIMAL:
    case SQL_DATE: case SQL_TIME: case SQL_TIMESTAMP: case SQL_BIT:
      return true;
    default:
      return false;
  }
}

bool IsWholeNumberType(int sqlType) {
  return sqlType == SQL_INTEGER || sqlType == SQL_SMALLINT || sqlType == SQL_TINYINT;
}

bool IsFloatingType(int sqlType) {
  return sqlType == SQL_FLOAT || sqlType == SQL_REAL || sqlType == SQL_DOUBLE;
}

// The SQL type a text parameter is sent as: amounts and strings as themselves, the
// rest as CHAR, converted by the server.
SQLSMALLINT BoundTextType(int sqlType) {
  switch (sqlType) {
    case SQL_VARCHAR: case SQL_NUMERIC: case SQL_DECIMAL: return static_cast<SQLSMALLINT>(sqlType);
    default: return SQL_CHAR;
  }
}

// Buffer length of a text parameter: the display size, with room for the separators
// that dates and times may carry.
SQLSMALLINT TextBufferLength(const TOdbcParam* param) {
  int length = TOdbcStatement::DisplaySize(param->sqlType, param->columnSize, param->decimalDigits);
  if (param->sqlType == SQL_DATE || param->sqlType == SQL_TIME) length += 4;
  if (param->sqlType == SQL_TIMESTAMP) length += 5;
  return static_cast<SQLSMALLINT>(length);
}

// The text as it is sent: amounts lose their currency, percent and number signs, and a
// date keeps only its first ten characters (a time after it is dropped).
void StoreText(TOdbcParam* param, const char* text) {
  if (param->sqlType == SQL_NUMERIC || param->sqlType == SQL_DECIMAL) {
    TTempString cleaned;
    char* out = cleaned;
    for (const char* c = text; *c; ++c) {
      if (*c != '$' && *c != '%' && *c != '#') *out++ = *c;
    }
    *out = '\0';
    ReplaceString(&param->text, cleaned);
  } else if (param->sqlType == SQL_DATE && strlen(text) > 10) {
    char date[11];
    memcpy(date, text, 10);
    date[10] = '\0';
    ReplaceString(&param->text, date);
  } else {
    ReplaceString(&param->text, text);
  }
}

}  // namespace

TOdbcParam* TOdbcStatement::ParameterAt(int position, bool create) {
  TOdbcParam** link = &params_;
  for (int i = 0;; ++i) {
    if (!*link) {
      if (!create) return nullptr;
      *link = new TOdbcParam;
    }
    if (i == position) return *link;
    link = &(*link)->next;
  }
}

void TOdbcStatement::DeleteParameters() {
  while (params_) {
    TOdbcParam* next = params_->next;
    delete params_;
    params_ = next;
  }
}

SQLRETURN TOdbcStatement::BindText(int position, TOdbcParam* param, SQLSMALLINT boundType) {
  returnCode_ = SQLBindParameter(handle_, position + 1, SQL_PARAM_INPUT, SQL_C_CHAR, boundType,
                                 param->columnSize, param->decimalDigits, param->text,
                                 param->bufferLength, &param->indicator);
  param->bound = true;
  return returnCode_;
}

SQLRETURN TOdbcStatement::BindNode(int position, TOdbcParam* param) {
  if (IsTextType(param->sqlType)) return BindText(position, param, BoundTextType(param->sqlType));
  if (IsWholeNumberType(param->sqlType)) {
    returnCode_ = SQLBindParameter(handle_, position + 1, SQL_PARAM_INPUT, SQL_C_SLONG, param->sqlType, 0, 0,
                                   &param->longValue, 0, &param->indicator);
  } else if (IsFloatingType(param->sqlType)) {
    returnCode_ = SQLBindParameter(handle_, position + 1, SQL_PARAM_INPUT, SQL_C_DOUBLE, param->sqlType,
                                   param->columnSize, param->decimalDigits, &param->doubleValue, 0,
                                   &param->indicator);
  } else {
    return returnCode_;
  }
  param->bound = true;
  return returnCode_;
}

int TOdbcStatement::ParameterCount() const {
  int count = 0;
  for (const TOdbcParam* param = params_; param; param = param->next) ++count;
  return count;
}

void TOdbcStatement::DropStaleBindings() {
  if (staleBindings_ == 0) return;
  bool covered = true;
  const TOdbcParam* param = params_;
  for (int i = 0; i < staleBindings_ && covered; ++i, param = param ? param->next : nullptr)
    covered = param && param->bound;
  staleBindings_ = 0;
  if (covered) return;
  SQLFreeStmt(handle_, SQL_RESET_PARAMS);
  int position = 0;
  for (TOdbcParam* own = params_; own; own = own->next, ++position)
    if (own->bound) BindNode(position, own);
}

SQLRETURN TOdbcStatement::BindParameter(int position, int sqlType, long columnSize,
                                        int decimalDigits, const char* text) {
  if (position < 0) return returnCode_;
  used_ = true;
  TOdbcParam* param = ParameterAt(position, true);
  param->sqlType = static_cast<SQLSMALLINT>(sqlType);
  param->columnSize = columnSize;
  param->decimalDigits = static_cast<SQLSMALLINT>(decimalDigits);
  if (!text) text = "";

  if (IsTextType(sqlType)) {
    StoreText(param, text);
    param->bufferLength = TextBufferLength(param);
    bool amount = sqlType == SQL_NUMERIC || sqlType == SQL_DECIMAL;
    param->indicator = amount && !*param->text ? SQL_NULL_DATA : SQL_NTS;
  } else if (IsWholeNumberType(sqlType)) {
    param->longValue = atol(text);
    param->indicator = 0;
  } else if (IsFloatingType(sqlType)) {
    param->doubleValue = atof(text);
    param->indicator = 0;
  } else {
    return returnCode_;
  }
  BindNode(position, param);
  CaptureError();
  return returnCode_;
}

SQLRETURN TOdbcStatement::SetParameter(int position, const char* text) {
  TOdbcParam* param = position < 0 ? nullptr : ParameterAt(position, false);
  if (!param) return returnCode_;
  if (!text) text = "";
  if (IsTextType(param->sqlType)) {
    StoreText(param, text);
    bool amount = param->sqlType == SQL_NUMERIC || param->sqlType == SQL_DECIMAL;
    if (amount && !*param->text) ReplaceString(&param->text, "0");
    param->bufferLength = TextBufferLength(param);
    param->indicator = SQL_NTS;
    BindText(position, param, BoundTextType(param->sqlType));
    CaptureError();
  } else if (IsWholeNumberType(param->sqlType)) {
    param->longValue = atol(text);
  } else if (IsFloatingType(param->sqlType)) {
    param->doubleValue = atof(text);
  }
  return returnCode_;
}

SQLRETURN TOdbcStatement::ResetParameters() {
  // Nothing bound through this object: the driver has nothing to unbind (a handle is
  // unbound before it is kept for reuse).
  if (params_) {
    // The driver keeps the positions bound until the next execute shows whether they
    // are bound again.
    const int count = ParameterCount();
    if (count > staleBindings_) staleBindings_ = count;
    DeleteParameters();
  }
  ClearDiagnostic();
  return returnCode_ = SQL_SUCCESS;
}
