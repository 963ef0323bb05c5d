// What every ODBC handle object shares: the diagnostics of its last call and column names.
#include "data/db/odbc.h"

#include <cstring>

#include "data/core/strings.h"

void TOdbcHandle::ReadDiagnostic(SQLSMALLINT handleType) {
  SQLSMALLINT length = 0;
  sqlState_[0] = '\0';
  message_[0] = '\0';
  nativeError_ = 0;
  if (handle_ == SQL_NULL_HANDLE) return;
  SQLRETURN rc = SQLGetDiagRec(handleType, handle_, 1, reinterpret_cast<SQLCHAR*>(sqlState_),
                               &nativeError_, reinterpret_cast<SQLCHAR*>(message_),
                               sizeof message_, &length);
  if (!SQL_SUCCEEDED(rc)) {
    sqlState_[0] = '\0';
    message_[0] = '\0';
    nativeError_ = 0;
  }
}

void TOdbcHandle::ClearDiagnostic() {
  sqlState_[0] = '\0';
  message_[0] = '\0';
  nativeError_ = 0;
}

void TOdbcHandle::GetErrorText(int handleKind) {
  static const SQLSMALLINT types[] = {SQL_HANDLE_ENV, SQL_HANDLE_DBC, SQL_HANDLE_STMT};
  if (handleKind < 0 || handleKind > 2) return;
  ReadDiagnostic(types[handleKind]);
}

int TOdbcHandle::ColumnIndex(const char* name) const {
  int index = 0;
  for (const TOdbcColumn* column = columns_; column; column = column->next, ++index) {
    if (SameNameIgnoringCase(column->name, name)) return index;
  }
  return index;
}

void TOdbcHandle::DeleteColumns() {
  while (columns_) {
    TOdbcColumn* next = columns_->next;
    delete columns_;
    columns_ = next;
  }
  columnCount_ = 0;
}
