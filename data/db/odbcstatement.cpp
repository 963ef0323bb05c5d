// Statements: preparing (taking a kept handle of the same text), executing, fetching, reading columns.
#include "data/db/odbcstatement.h"

#include <cstring>

#include "data/core/strings.h"
#include "data/db/dialect.h"
#include "data/db/sqltrace.h"

TOdbcStatement::TOdbcStatement(TOdbcConnection* connection) : connection_(connection) {
  Allocate();
}

TOdbcStatement::~TOdbcStatement() {
  DeleteColumns();
  Free();
  DeleteParameters();
}

void TOdbcStatement::Allocate() {
  cursorOpen_ = used_ = false;
  staleBindings_ = 0;
  // A handle this connection allocated and never used is taken before a new one.
  TOdbcEnv* env = connection_->GetEnvironment();
  if (env && connection_->Handle() != SQL_NULL_HANDLE) {
    handle_ = env->TakePrepared(connection_->Handle(), "");
    if (handle_ != SQL_NULL_HANDLE) {
      returnCode_ = SQL_SUCCESS;
      ClearDiagnostic();
      return;
    }
  }
  returnCode_ = SQLAllocHandle(SQL_HANDLE_STMT, connection_->Handle(), &handle_);
  if (SQL_SUCCEEDED(returnCode_)) {
    ClearDiagnostic();
    return;
  }
  // No statement handle: the reason is the connection's.
  handle_ = connection_->Handle();
  ReadDiagnostic(SQL_HANDLE_DBC);
  handle_ = SQL_NULL_HANDLE;
}

void TOdbcStatement::Free() { ReleaseHandle(); }

void TOdbcStatement::ReleaseHandle() {
  if (handle_ == SQL_NULL_HANDLE) return;
  TOdbcEnv* env = connection_ ? connection_->GetEnvironment() : nullptr;
  const bool keep = (!preparedSql_.empty() || !used_) && !CloseLeavesReadOpen();
  if (env && keep && connection_->Handle() != SQL_NULL_HANDLE) {
    const int bound = ParameterCount();
    env->KeepPrepared(connection_->Handle(), std::move(preparedSql_), handle_, cursorOpen_,
                      bound > staleBindings_ ? bound : staleBindings_);
  } else {
    SQLFreeHandle(SQL_HANDLE_STMT, handle_);
  }
  handle_ = SQL_NULL_HANDLE;
  preparedSql_.clear();
  cursorOpen_ = used_ = false;
  staleBindings_ = 0;
}

void TOdbcStatement::SetConnection(TOdbcConnection* connection) {
  DeleteColumns();
  Free();
  connection_ = connection;
  Allocate();
  DeleteParameters();
}

void TOdbcStatement::CaptureError() {
  // A call that returns SQL_SUCCESS leaves no diagnostic records behind.
  if (returnCode_ == SQL_SUCCESS) ClearDiagnostic();
  else GetDiagRec();
}

SQLRETURN TOdbcStatement::Prepare(const char* sql) {
  if (SqlSpyFlag) SqlSpy("Preparing: %s\n", sql);
  TOdbcEnv* env = connection_ ? connection_->GetEnvironment() : nullptr;
  const SQLHANDLE connection = connection_ ? connection_->Handle() : SQL_NULL_HANDLE;
  if (env && connection != SQL_NULL_HANDLE && handle_ != SQL_NULL_HANDLE && !params_) {
    if (preparedSql_ == sql && !CloseLeavesReadOpen()) {
      if (cursorOpen_) SQLFreeStmt(handle_, SQL_CLOSE);
      cursorOpen_ = false;
      return returnCode_ = SQL_SUCCESS;
    }
    if (CloseLeavesReadOpen()) CloseCursor();
    std::string keptSql;
    int keptBindings = 0;
    SQLHANDLE kept = env->TakePrepared(connection, sql, &keptSql, &keptBindings);
    if (kept != SQL_NULL_HANDLE) {
      ReleaseHandle();
      handle_ = kept;
      staleBindings_ = keptBindings;
      preparedSql_.swap(keptSql);
      used_ = true;
      DeleteColumns();
      ClearDiagnostic();
      return returnCode_ = SQL_SUCCESS;
    }
    // This handle's own prepared text stays in the store; a fresh handle takes the new one.
    if (!preparedSql_.empty()) {
      ReleaseHandle();
      Allocate();
      if (handle_ == SQL_NULL_HANDLE) return returnCode_;
    }
  }
  used_ = true;
  cursorOpen_ = false;
  returnCode_ = SQLPrepare(handle_, (SQLCHAR*)sql, SQL_NTS);
  CaptureError();
  preparedSql_ = SQL_SUCCEEDED(returnCode_) ? sql : "";
  return returnCode_;
}

SQLRETURN TOdbcStatement::Execute() {
  used_ = true;
  DropStaleBindings();
  returnCode_ = SQLExecute(handle_);
  cursorOpen_ = SQL_SUCCEEDED(returnCode_);
  CaptureError();
  DeleteColumns();
  columnsDescribed_ = !SQL_SUCCEEDED(returnCode_);
  return returnCode_;
}

void TOdbcStatement::EnsureColumns() const {
  if (columnsDescribed_) return;
  auto* self = const_cast<TOdbcStatement*>(this);
  self->columnsDescribed_ = true;
  self->DescribeColumns();
}

int TOdbcStatement::ColumnCount() const {
  EnsureColumns();
  return columnCount_;
}

int TOdbcStatement::ColumnIndex(const char* name) const {
  EnsureColumns();
  return TOdbcHandle::ColumnIndex(name);
}

SQLRETURN TOdbcStatement::ExecDirect(const char* sql) {
  // The handle's prepared text is replaced by this one.
  if (!preparedSql_.empty()) {
    ReleaseHandle();
    Allocate();
  }
  columnsDescribed_ = true;
  used_ = true;
  DropStaleBindings();
  returnCode_ = SQLExecDirect(handle_, (SQLCHAR*)sql, SQL_NTS);
  cursorOpen_ = SQL_SUCCEEDED(returnCode_);
  CaptureError();
  if (SQL_SUCCEEDED(returnCode_)) DescribeColumns();
  return returnCode_;
}

void TOdbcStatement::DescribeColumns() {
  DeleteColumns();
  SQLSMALLINT count = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(handle_, &count))) return;
  TOdbcColumn** tail = &columns_;
  for (SQLSMALLINT i = 1; i <= count; ++i) {
    TOdbcColumn* column = new TOdbcColumn;
    SQLSMALLINT nameLength = 0;
    SQLDescribeCol(handle_, i, reinterpret_cast<SQLCHAR*>(column->name), sizeof column->name,
                   &nameLength, &column->sqlType, &column->columnSize, &column->decimalDigits,
                   &column->nullable);
    *tail = column;
    tail = &column->next;
    ++columnCount_;
  }
}

const TOdbcColumn* TOdbcStatement::Column(int column) const {
  EnsureColumns();
  const TOdbcColumn* c = columns_;
  for (int i = 0; c && i < column; ++i) c = c->next;
  return column < 0 ? nullptr : c;
}

SQLRETURN TOdbcStatement::Fetch() {
  returnCode_ = SQLFetch(handle_);
  // The end of the rows is no error and leaves no diagnostic to read.
  if (returnCode_ == SQL_NO_DATA) ClearDiagnostic();
  else CaptureError();
  return returnCode_;
}

bool TOdbcStatement::CloseLeavesReadOpen() const {
  return cursorOpen_ && !params_ && connection_ && connection_->Dialect().CloseKeepsUnboundReadOpen();
}

SQLRETURN TOdbcStatement::CloseCursor() {
  // No execute since the last close: there is no cursor to close.
  if (!cursorOpen_) {
    ClearDiagnostic();
    return returnCode_ = SQL_SUCCESS;
  }
  if (CloseLeavesReadOpen()) {
    // A fresh handle in place of the stepped one, which is freed with its read, prepared
    // again with the same text, so that it can be executed again.
    const std::string sql = preparedSql_;
    DeleteColumns();
    SQLFreeHandle(SQL_HANDLE_STMT, handle_);
    handle_ = SQL_NULL_HANDLE;
    preparedSql_.clear();
    Allocate();
    if (handle_ == SQL_NULL_HANDLE || sql.empty()) return returnCode_;
    used_ = true;
    returnCode_ = SQLPrepare(handle_, (SQLCHAR*)sql.c_str(), SQL_NTS);
    CaptureError();
    if (SQL_SUCCEEDED(returnCode_)) preparedSql_ = sql;
    return returnCode_;
  }
  cursorOpen_ = false;
  returnCode_ = SQLFreeStmt(handle_, SQL_CLOSE);
  CaptureError();
  return returnCode_;
}

SQLLEN TOdbcStatement::RowCount() {
  SQLLEN count = 0;
  returnCode_ = SQLRowCount(handle_, &count);
  CaptureError();
  return count;
}

int TOdbcStatement::NumResultCols() {
  SQLSMALLINT count = 0;
  returnCode_ = SQLNumResultCols(handle_, &count);
  CaptureError();
  return count;
}

SQLRETURN TOdbcStatement::GetColumnName(int column, char* buffer, int size) {
  SQLSMALLINT length = 0;
  if (size > 0) buffer[0] = '\0';
  returnCode_ = SQLColAttribute(handle_, column + 1, SQL_DESC_NAME, buffer, size, &length, nullptr);
  CaptureError();
  return returnCode_;
}

SQLLEN TOdbcStatement::ColumnAttribute(int column, SQLUSMALLINT field) {
  SQLLEN value = 0;
  returnCode_ = SQLColAttribute(handle_, column + 1, field, nullptr, 0, nullptr, &value);
  CaptureError();
  return value;
}

SQLLEN TOdbcStatement::GetColumnType(int column) { return ColumnAttribute(column, SQL_DESC_CONCISE_TYPE); }
SQLLEN TOdbcStatement::GetColumnPrecision(int column) { return ColumnAttribute(column, SQL_COLUMN_PRECISION); }
SQLLEN TOdbcStatement::GetColumnScale(int column) { return ColumnAttribute(column, SQL_COLUMN_SCALE); }
SQLLEN TOdbcStatement::GetColumnNullable(int column) { return ColumnAttribute(column, SQL_DESC_NULLABLE); }

namespace {
// Drivers may fill the whole buffer they are given (strncpy pads it with zeros): a value
// is asked for in a short window first, and only a longer one gets the rest of the buffer.
constexpr int FirstPartSize = 256;
}  // namespace

SQLLEN TOdbcStatement::GetData(int column, char* buffer, int size) {
  SQLLEN indicator = SQL_NULL_DATA;
  if (size > 0) buffer[0] = '\0';
  const int first = size > FirstPartSize ? FirstPartSize : size;
  returnCode_ = SQLGetData(handle_, column + 1, SQL_C_CHAR, buffer, first, &indicator);
  if (first < size && returnCode_ == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator >= first)) {
    // The rest goes on where the first part's terminator stands.
    SQLLEN rest = 0;
    SQLRETURN rc = SQLGetData(handle_, column + 1, SQL_C_CHAR, buffer + first - 1, size - first + 1, &rest);
    returnCode_ = rc;
    if (SQL_SUCCEEDED(rc) && indicator == SQL_NO_TOTAL && rest != SQL_NO_TOTAL) indicator = first - 1 + rest;
  }
  CaptureError();
  if (!SQL_SUCCEEDED(returnCode_)) {
    if (size > 0) buffer[0] = '\0';
    return SQL_NULL_DATA;
  }
  return indicator;
}

SQLLEN TOdbcStatement::GetDataByName(const char* name, char* buffer, int size) {
  return GetData(ColumnIndex(name), buffer, size);
}

SQLLEN TOdbcStatement::GetStringByName(const char* name, char** field) {
  TTempString text;
  SQLLEN indicator = GetData(ColumnIndex(name), text, TEMP_STRING_SIZE);
  ReplaceString(field, text);
  return indicator;
}

SQLRETURN TOdbcStatement::GetFixed(int column, SQLSMALLINT cType, void* value) {
  SQLLEN indicator = 0;
  returnCode_ = SQLGetData(handle_, column + 1, cType, value, 0, &indicator);
  CaptureError();
  return SQL_SUCCEEDED(returnCode_) && indicator != SQL_NULL_DATA ? SQL_SUCCESS : SQL_NO_DATA;
}

short TOdbcStatement::GetShort(int column) {
  SQLSMALLINT value = 0;
  return GetFixed(column, SQL_C_SSHORT, &value) == SQL_SUCCESS ? value : 0;
}

long TOdbcStatement::GetLong(int column) {
  SQLINTEGER value = 0;
  return GetFixed(column, SQL_C_SLONG, &value) == SQL_SUCCESS ? value : 0;
}

double TOdbcStatement::GetDouble(int column) {
  double value = 0.0;
  return GetFixed(column, SQL_C_DOUBLE, &value) == SQL_SUCCESS ? value : 0.0;
}

short TOdbcStatement::GetShortByName(const char* name) { return GetShort(ColumnIndex(name)); }
long TOdbcStatement::GetLongByName(const char* name) { return GetLong(ColumnIndex(name)); }
double TOdbcStatement::GetDoubleByName(const char* name) { return GetDouble(ColumnIndex(name)); }

int TOdbcStatement::DisplaySize(int sqlType, long columnSize, int decimalDigits) {
  switch (sqlType) {
    case SQL_BIT: return 1;
    case SQL_TINYINT: return 4;
    case SQL_SMALLINT: return 6;
    case SQL_INTEGER: return 11;
    case SQL_REAL: return 13;
    case SQL_FLOAT:
    case SQL_DOUBLE: return 22;
    case SQL_DATE: return 10;
    case SQL_TIME: return 8;
    case SQL_TIMESTAMP: return decimalDigits ? decimalDigits + 20 : 19;
    case SQL_CHAR:
    case SQL_VARCHAR: return columnSize;
    case SQL_NUMERIC:
    case SQL_DECIMAL: return columnSize + (decimalDigits ? 3 : 2);
    default: return -1;
  }
}
