// Connections: connecting, the idle connections kept for reuse, sharing, transactions.
#include "data/db/odbc.h"

#include <cstring>

#include "data/core/strings.h"
#include "data/db/dialect.h"
#include "data/db/odbcstatement.h"
#include "data/db/sqltrace.h"

namespace {
// True when a connection string can open a connection again: it names a driver or a
// data source. The SQLite driver completes a string with an empty "DSN=" and no driver.
bool CanReconnectWith(const char* connectString) {
  for (const char* p = connectString; *p; ++p) {
    if (p != connectString && p[-1] != ';') continue;
    while (*p == ' ') ++p;
    if (_strnicmp(p, "DRIVER=", 7) == 0 && p[7] && p[7] != ';') return true;
    if (_strnicmp(p, "DSN=", 4) == 0 && p[4] && p[4] != ';') return true;
  }
  return false;
}
}  // namespace

TOdbcConnection::TOdbcConnection(TOdbcEnv* env)
    : env_(env), dialect_(&TSqlDialect::Of(TSqlDialect::SqlServer)) {
  database_[0] = '\0';
  Allocate();
}

TOdbcConnection::TOdbcConnection(TOdbcEnv* env, int reconnect)
    : env_(env), dialect_(&TSqlDialect::Of(TSqlDialect::SqlServer)) {
  database_[0] = '\0';
  if (reconnect == 1 && env_->shared_) {
    Join(*env_->shared_);
    return;
  }
  if (reconnect == 1 && TakeIdle("")) return;
  Allocate();
  if (reconnect == 1) {
    Reconnect();
    pooled_ = connected_;
  }
}

TOdbcConnection::TOdbcConnection(TOdbcEnv* env, int reconnect, const char* database)
    : env_(env), dialect_(&TSqlDialect::Of(TSqlDialect::SqlServer)) {
  database_[0] = '\0';
  if (!database) database = "";
  if (reconnect == 1 && env_->shared_) {
    // A joined connection is in the database its owner switched to.
    Join(*env_->shared_);
    return;
  }
  if (reconnect == 1 && TakeIdle(database)) return;
  Allocate();
  if (reconnect != 1) return;
  Reconnect();
  if (!connected_) return;
  if (*database) SwitchDatabase(database);
  pooled_ = strlen(database) < sizeof database_;
  if (pooled_) strcpy(database_, database);
}

TOdbcConnection::~TOdbcConnection() {
  if (joined_) return;
  if (connected_ && ReturnIdle()) return;
  if (handle_ != SQL_NULL_HANDLE) env_->DropPrepared(handle_);
  if (connected_) {
    UndoOpenWork();
    Disconnect();
  }
  if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(SQL_HANDLE_DBC, handle_);
}

void TOdbcConnection::Allocate() {
  // A failed allocation is the environment's to report.
  env_->returnCode_ = SQLAllocHandle(SQL_HANDLE_DBC, env_->handle_, &handle_);
  env_->CaptureError();
  if (!SQL_SUCCEEDED(env_->returnCode_)) handle_ = SQL_NULL_HANDLE;
}

void TOdbcConnection::Join(const TOdbcConnection& shared) {
  handle_ = shared.handle_;
  dialect_ = shared.dialect_;
  connected_ = shared.connected_;
  joined_ = true;
}

bool TOdbcConnection::TakeIdle(const char* database) {
  for (int i = env_->idleCount_ - 1; i >= 0; --i) {
    TOdbcEnv::TIdleConnection& idle = env_->idle_[i];
    if (strcmp(idle.database, database) != 0) continue;
    handle_ = idle.handle;
    dialect_ = idle.dialect;
    strcpy(database_, idle.database);
    autoCommit_ = connectedAutoCommit_ = idle.autoCommit;
    env_->idle_[i] = env_->idle_[--env_->idleCount_];
    connected_ = pooled_ = true;
    ++env_->openConnections_;
    return true;
  }
  return false;
}

bool TOdbcConnection::ReturnIdle() {
  if (!pooled_ || env_->idleCount_ >= TOdbcEnv::IdleLimit) return false;
  // A connection the server dropped is closed for good (a driver that cannot tell is trusted).
  SQLUINTEGER dead = SQL_CD_FALSE;
  if (SQL_SUCCEEDED(SQLGetConnectAttr(handle_, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr)) &&
      dead == SQL_CD_TRUE)
    return false;
  // The next user finds it as a fresh connection: work left open is undone, as a
  // disconnect would, and autocommit is as it was when the connection was made.
  UndoOpenWork();
  if (autoCommit_ != connectedAutoCommit_ && !SQL_SUCCEEDED(SetAutoCommit(connectedAutoCommit_))) return false;
  TOdbcEnv::TIdleConnection& idle = env_->idle_[env_->idleCount_++];
  idle.handle = handle_;
  idle.dialect = dialect_;
  idle.autoCommit = connectedAutoCommit_;
  strcpy(idle.database, database_);
  handle_ = SQL_NULL_HANDLE;
  connected_ = false;
  --env_->openConnections_;
  return true;
}

void TOdbcConnection::UndoOpenWork() {
  if (autoCommit_) return;
  // A driver that refused to switch autocommit on (its commit failed) may count itself in
  // autocommit with the transaction still open, and would end no transaction: it is put
  // back in manual commit first, so that the rollback reaches the open work.
  SQLSetConnectAttr(handle_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_OFF)),
                    SQL_IS_UINTEGER);
  SQLEndTran(SQL_HANDLE_DBC, handle_, SQL_ROLLBACK);
}

void TOdbcConnection::Reconnect() {
  if (*env_->dsn_) {
    Connect(env_->dsn_, env_->user_, env_->password_, env_->flags_);
  } else if (*env_->connectString_) {
    DriverConnect(env_->connectString_, env_->flags_);
  }
}

void TOdbcConnection::SwitchDatabase(const char* database) {
  TTempString text;
  if (!dialect_->DatabaseSwitch(text, TEMP_STRING_SIZE, database)) return;
  TOdbcStatement statement(this);
  statement.ExecDirect(text);
}

void TOdbcConnection::Connected() {
  connected_ = true;
  connectedAutoCommit_ = autoCommit_;
  ++env_->openConnections_;
  char dbmsName[64] = "";
  SQLSMALLINT length = 0;
  if (SQL_SUCCEEDED(SQLGetInfo(handle_, SQL_DBMS_NAME, dbmsName, sizeof dbmsName, &length))) {
    dialect_ = &TSqlDialect::ForDbmsName(dbmsName);
  }
  SetUpSession();
}

void TOdbcConnection::SetUpSession() {
  const char* setup = dialect_->SessionSetup();
  if (!setup) return;
  // Part of making the connection: not traced, and its result is the connect's.
  SQLHSTMT statement = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, handle_, &statement))) return;
  SQLExecDirect(statement, (SQLCHAR*)setup, SQL_NTS);
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
  // In manual commit the SET opened a transaction: it is ended so the connection starts clean.
  if (!autoCommit_) SQLEndTran(SQL_HANDLE_DBC, handle_, SQL_COMMIT);
}

SQLRETURN TOdbcConnection::Connect(const char* dsn, const char* user, const char* password,
                                   unsigned long flags) {
  if (!(flags & ODBC_KEEP_AUTOCOMMIT)) SetAutoCommit(false);
  returnCode_ = SQLConnect(handle_, (SQLCHAR*)dsn, SQL_NTS, (SQLCHAR*)user, SQL_NTS,
                           (SQLCHAR*)password, SQL_NTS);
  CaptureError();
  if (!SQL_SUCCEEDED(returnCode_)) return returnCode_;
  if (strcmp(dsn, env_->dsn_) != 0) {
    env_->CloseIdleConnections();
    ReplaceString(&env_->dsn_, dsn);
    ReplaceString(&env_->user_, user);
    ReplaceString(&env_->password_, password);
    env_->flags_ = flags;
  }
  Connected();
  return returnCode_;
}

SQLRETURN TOdbcConnection::DriverConnect(const char* connectString, unsigned long flags) {
  if (!(flags & ODBC_KEEP_AUTOCOMMIT)) SetAutoCommit(true);
  SQLCHAR completed[1024] = "";
  SQLSMALLINT length = 0;
  returnCode_ = SQLDriverConnect(handle_, GetFocus(), (SQLCHAR*)connectString, SQL_NTS, completed,
                                 sizeof completed, &length, SQL_DRIVER_COMPLETE);
  CaptureError();
  if (!SQL_SUCCEEDED(returnCode_)) return returnCode_;
  const char* remembered = reinterpret_cast<char*>(completed);
  if (!CanReconnectWith(remembered)) remembered = connectString;
  if (remembered != env_->connectString_) {
    if (strcmp(remembered, env_->connectString_) != 0) env_->CloseIdleConnections();
    ReplaceString(&env_->connectString_, remembered);
  }
  Connected();
  return returnCode_;
}

SQLRETURN TOdbcConnection::Disconnect() {
  if (joined_) {
    connected_ = false;
    return returnCode_ = SQL_SUCCESS;
  }
  env_->DropPrepared(handle_);
  returnCode_ = SQLDisconnect(handle_);
  CaptureError();
  if (connected_) {
    connected_ = false;
    --env_->openConnections_;
  }
  return returnCode_;
}

SQLRETURN TOdbcConnection::EndTransaction(SQLSMALLINT completion) {
  if (joined_) return returnCode_ = SQL_SUCCESS;
  returnCode_ = SQLEndTran(SQL_HANDLE_DBC, handle_, completion);
  CaptureError();
  return returnCode_;
}

SQLRETURN TOdbcConnection::Commit() {
  if (joined_) return returnCode_ = SQL_SUCCESS;
  if (SqlSpyFlag) SqlSpy("Commit\n");
  return EndTransaction(SQL_COMMIT);
}

SQLRETURN TOdbcConnection::Rollback() {
  if (joined_) return returnCode_ = SQL_SUCCESS;
  if (SqlSpyFlag) SqlSpy("Rollback\n");
  return EndTransaction(SQL_ROLLBACK);
}

SQLRETURN TOdbcConnection::StartTransaction() {
  if (joined_) return returnCode_ = SQL_SUCCESS;
  if (SqlSpyFlag) SqlSpy("Start transaction\n");
  return EndTransaction(SQL_COMMIT);
}

SQLRETURN TOdbcConnection::SetAutoCommit(bool on) {
  if (joined_) return returnCode_ = SQL_SUCCESS;
  returnCode_ = SQLSetConnectAttr(
      handle_, SQL_ATTR_AUTOCOMMIT,
      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
      SQL_IS_UINTEGER);
  CaptureError();
  // Only a switch the driver accepted is recorded: the idle pool trusts this flag.
  if (SQL_SUCCEEDED(returnCode_)) autoCommit_ = on;
  return returnCode_;
}

bool TOdbcConnection::IsAutoCommit() {
  SQLULEN value = 0;
  returnCode_ = SQLGetConnectAttr(handle_, SQL_ATTR_AUTOCOMMIT, &value, SQL_IS_UINTEGER, nullptr);
  CaptureError();
  return value == SQL_AUTOCOMMIT_ON;
}

void TOdbcConnection::SetEnvironment(TOdbcEnv* env) {
  if (joined_) {
    joined_ = connected_ = false;
  } else {
    if (connected_) Disconnect();
    if (handle_ != SQL_NULL_HANDLE) {
      env_->DropPrepared(handle_);
      SQLFreeHandle(SQL_HANDLE_DBC, handle_);
    }
  }
  handle_ = SQL_NULL_HANDLE;
  env_ = env;
  dialect_ = &TSqlDialect::Of(TSqlDialect::SqlServer);
  Allocate();
}

void TOdbcConnection::CaptureError() {
  if (SQL_SUCCEEDED(returnCode_)) ClearDiagnostic();
  else GetDiagRec();
}
