#include "data/db/odbc.h"

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
  if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(SQL_HANDLE_ENV, handle_);
  FreeString(&dsn_);
  FreeString(&user_);
  FreeString(&password_);
  FreeString(&connectString_);
}

void TOdbcEnv::CaptureError() {
  if (SQL_SUCCEEDED(returnCode_)) ClearDiagnostic();
  else GetDiagRec();
}

void TOdbcEnv::CloseIdleConnections() {
  while (idleCount_ > 0) {
    SQLHANDLE handle = idle_[--idleCount_].handle;
    SQLDisconnect(handle);
    SQLFreeHandle(SQL_HANDLE_DBC, handle);
  }
}
