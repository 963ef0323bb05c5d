// The ODBC environment: its handle, the idle connections and the kept prepared statements.
#include "data/db/odbc.h"

#include <cstring>

#include "data/core/strings.h"

TOdbcEnv::TOdbcEnv() {
  // Pooling is a process-wide attribute of the driver manager, set before the handle.
  SQLSetEnvAttr(SQL_NULL_HANDLE, SQL_ATTR_CONNECTION_POOLING,
                reinterpret_cast<SQLPOINTER>(SQL_CP_ONE_PER_HENV), SQL_IS_INTEGER);
  returnCode_ = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle_);
  if (SQL_SUCCEEDED(returnCode_)) {
    returnCode_ = SQLSetEnvAttr(handle_, SQL_ATTR_ODBC_VERSION,
                                reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), SQL_IS_INTEGER);
  }
  CaptureError();
  SetString(&dsn_, "");
  SetString(&user_, "");
  SetString(&password_, "");
  SetString(&connectString_, "");
}

TOdbcEnv::~TOdbcEnv() {
  CloseIdleConnections();
  for (TPrepared& kept : prepared_) SQLFreeHandle(SQL_HANDLE_STMT, kept.statement);
  if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(SQL_HANDLE_ENV, handle_);
  FreeString(&dsn_);
  FreeString(&user_);
  FreeString(&password_);
  FreeString(&connectString_);
}

SQLHANDLE TOdbcEnv::TakePrepared(SQLHANDLE connection, const char* sql, std::string* text, int* bound) {
  const size_t length = std::strlen(sql);
  for (size_t i = prepared_.size(); i-- > 0;) {
    const std::string& kept = prepared_[i].sql;
    if (prepared_[i].connection != connection || kept.size() != length || kept.compare(0, length, sql, length) != 0)
      continue;
    SQLHANDLE statement = prepared_[i].statement;
    if (text) text->swap(prepared_[i].sql);
    if (bound) *bound = prepared_[i].bound;
    prepared_.erase(prepared_.begin() + static_cast<std::ptrdiff_t>(i));
    return statement;
  }
  return SQL_NULL_HANDLE;
}

void TOdbcEnv::KeepPrepared(SQLHANDLE connection, std::string&& sql, SQLHANDLE statement, bool cursorOpen,
                            int bound) {
  // Each driver call costs a round through the driver manager: only what is open is closed.
  if (cursorOpen) SQLFreeStmt(statement, SQL_CLOSE);
  prepared_.push_back({connection, std::move(sql), statement, bound});
  if (prepared_.size() > PreparedLimit) {
    SQLFreeHandle(SQL_HANDLE_STMT, prepared_.front().statement);
    prepared_.erase(prepared_.begin());
  }
}

void TOdbcEnv::DropPrepared(SQLHANDLE connection) {
  for (size_t i = prepared_.size(); i-- > 0;) {
    if (prepared_[i].connection != connection) continue;
    SQLFreeHandle(SQL_HANDLE_STMT, prepared_[i].statement);
    prepared_.erase(prepared_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void TOdbcEnv::CaptureError() {
  if (SQL_SUCCEEDED(returnCode_)) ClearDiagnostic();
  else GetDiagRec();
}

void TOdbcEnv::CloseIdleConnections() {
  while (idleCount_ > 0) {
    SQLHANDLE handle = idle_[--idleCount_].handle;
    DropPrepared(handle);
    SQLDisconnect(handle);
    SQLFreeHandle(SQL_HANDLE_DBC, handle);
  }
}
