// The object layer over the ODBC driver manager: handles with the diagnostics of their
// last call, the one environment of the run and its connections. Statements are in
// data/db/odbcstatement.h.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include "data/core/spareblocks.h"

class TSqlDialect;
class TOdbcConnection;

// Description of one column of a statement's current result.
struct TOdbcColumn {
  TOdbcColumn* next = nullptr;
  char name[81] = "";
  SQLSMALLINT sqlType = 0;
  SQLULEN columnSize = 0;
  SQLSMALLINT decimalDigits = 0;
  SQLSMALLINT nullable = 0;
};

// Handle kinds of GetErrorText.
enum TOdbcHandleKind { OdbcEnvironmentHandle = 0, OdbcConnectionHandle = 1, OdbcStatementHandle = 2 };

class TOdbcHandle {
public:
  SQLRETURN GetReturnCode() const { return returnCode_; }
  bool IsSuccess() const { return SQL_SUCCEEDED(returnCode_); }
  SQLINTEGER GetNativeError() const { return nativeError_; }
  const char* GetSqlState() const { return sqlState_; }
  // The diagnostic message of the last call ("" when it succeeded without one).
  const char* GetDiagMessage() const { return message_; }
  // Reads the first diagnostic of the handle of this kind into SQLSTATE, native error
  // and message.
  void GetErrorText(int handleKind);
  // Position of the column named so, ignoring case; the number of columns when absent.
  int ColumnIndex(const char* name) const;
  SQLHANDLE Handle() const { return handle_; }

protected:
  // Only the first characters of the texts are set: connections and statements are made
  // for every operation, and the rest of the buffers is never read.
  TOdbcHandle() {
    sqlState_[0] = '\0';
    message_[0] = '\0';
  }
  ~TOdbcHandle() { DeleteColumns(); }
  TOdbcHandle(const TOdbcHandle&) = delete;
  TOdbcHandle& operator=(const TOdbcHandle&) = delete;

  // SQLGetDiagRec of record 1 of this handle into the fields above.
  void ReadDiagnostic(SQLSMALLINT handleType);
  void ClearDiagnostic();
  void DeleteColumns();

  SQLHANDLE handle_ = SQL_NULL_HANDLE;
  TOdbcColumn* columns_ = nullptr;
  int columnCount_ = 0;
  SQLRETURN returnCode_ = SQL_SUCCESS;
  SQLINTEGER nativeError_ = 0;
  char sqlState_[6];
  char message_[512];
};

// Connect flags: bit 0 set leaves the connection's autocommit as the driver has it.
constexpr unsigned long ODBC_KEEP_AUTOCOMMIT = 1;

class TOdbcEnv : public TOdbcHandle {
public:
  TOdbcEnv();
  ~TOdbcEnv();

  void GetDiagRec() { ReadDiagnostic(SQL_HANDLE_ENV); }
  // After a call: the diagnostic when it failed, else an empty message.
  void CaptureError();

  const char* RememberedDsn() const { return dsn_; }
  const char* RememberedUser() const { return user_; }
  const char* RememberedPassword() const { return password_; }
  const char* RememberedConnectString() const { return connectString_; }
  unsigned long RememberedFlags() const { return flags_; }
  int OpenConnections() const { return openConnections_; }

  // While a connection is shared, every connection made again from what the environment
  // remembers (reconnect 1) joins it instead of connecting: the same handle and so the
  // same transaction. Null ends the sharing.
  void ShareConnection(TOdbcConnection* connection) { shared_ = connection; }
  TOdbcConnection* SharedConnection() const { return shared_; }

  // Connections made again from what the environment remembers are not closed at their
  // end but kept here, idle, for the next one (the program opens one per operation).
  // Physical connections kept idle right now.
  int IdleConnections() const { return idleCount_; }
  // Closes the idle connections (also when the environment forgets what it remembered).
  void CloseIdleConnections();

  // Statements prepared on a physical connection, kept after their statement objects end
  // for the next statement of the same text on that connection: preparing is most of
  // what a short statement costs. A handle kept with the text "" was never used and
  // serves the next statement allocated on that connection. Take removes the handle
  // from the store (null when none); Keep closes its cursor when one may be open and
  // stores it (the oldest go beyond the limit); Drop frees every handle of a connection
  // that is about to close. The text moves with the handle: Take hands the stored one
  // to text, Keep takes sql over. A kept handle keeps its parameter bindings, since
  // unbinding costs the driver a pass over all its parameters and the next statement
  // of the same text binds them again: bound tells how many positions are bound, and
  // the statement that takes the handle unbinds them before it executes without having
  // bound them all itself (TOdbcStatement).
  SQLHANDLE TakePrepared(SQLHANDLE connection, const char* sql, std::string* text = nullptr, int* bound = nullptr);
  void KeepPrepared(SQLHANDLE connection, std::string&& sql, SQLHANDLE statement, bool cursorOpen, int bound);
  void DropPrepared(SQLHANDLE connection);
  int KeptPrepared() const { return static_cast<int>(prepared_.size()); }

private:
  friend class TOdbcConnection;
  static constexpr int IdleLimit = 4;
  struct TIdleConnection {
    SQLHANDLE handle;
    const TSqlDialect* dialect;
    bool autoCommit;
    char database[64];
  };
  struct TPrepared {
    SQLHANDLE connection;
    std::string sql;
    SQLHANDLE statement;
    int bound;  // parameter positions still bound (to buffers of an ended statement)
  };
  static constexpr size_t PreparedLimit = 64;
  std::vector<TPrepared> prepared_;  // the most recently kept last
  TIdleConnection idle_[IdleLimit];
  int idleCount_ = 0;
  TOdbcConnection* shared_ = nullptr;
  char* dsn_;
  char* user_;
  char* password_;
  char* connectString_;
  unsigned long flags_ = 0;
  int openConnections_ = 0;
};

class TOdbcConnection : public TOdbcHandle {
public:
  // A bare connection handle on the environment: not connected.
  explicit TOdbcConnection(TOdbcEnv* env);
  // With reconnect 1: connected again with what the environment remembers.
  TOdbcConnection(TOdbcEnv* env, int reconnect);
  // As above, then switched to the database when its name is not empty.
  TOdbcConnection(TOdbcEnv* env, int reconnect, const char* database);
  ~TOdbcConnection();
  static void* operator new(std::size_t size) { return TSpareBlocks<TOdbcConnection>::Take(size); }
  static void operator delete(void* block, std::size_t size) { TSpareBlocks<TOdbcConnection>::Give(block, size); }

  SQLRETURN Connect(const char* dsn, const char* user, const char* password, unsigned long flags);
  SQLRETURN DriverConnect(const char* connectString, unsigned long flags);
  SQLRETURN Disconnect();
  SQLRETURN Commit();
  SQLRETURN Rollback();
  // Ends whatever is open, so the next statement begins a fresh transaction.
  SQLRETURN StartTransaction();
  // Switches autocommit of the connection on or off.
  SQLRETURN SetAutoCommit(bool on);
  bool IsAutoCommit();

  void SetEnvironment(TOdbcEnv* env);
  TOdbcEnv* GetEnvironment() const { return env_; }
  bool IsConnected() const { return connected_; }
  // A connection that joined the environment's shared one: it neither ends nor commits
  // the transaction, changes no autocommit and leaves the handle to its owner.
  bool IsJoined() const { return joined_; }
  // The statement forms of the server this connection reached (SQL Server's until connected).
  const TSqlDialect& Dialect() const { return *dialect_; }

  void GetDiagRec() { ReadDiagnostic(SQL_HANDLE_DBC); }
  void CaptureError();

private:
  void Allocate();
  void Join(const TOdbcConnection& shared);
  bool TakeIdle(const char* database);
  bool ReturnIdle();
  // Rolls back what a connection in manual commit left open.
  void UndoOpenWork();
  void Reconnect();
  void SwitchDatabase(const char* database);
  void Connected();
  // Runs the dialect's session set-up on the new connection.
  void SetUpSession();
  SQLRETURN EndTransaction(SQLSMALLINT completion);

  TOdbcEnv* env_;
  bool connected_ = false;
  bool joined_ = false;
  // Made from what the environment remembers: goes back to its idle connections.
  bool pooled_ = false;
  bool autoCommit_ = true;         // as the connection has it now
  bool connectedAutoCommit_ = true;  // as it had it when it was made
  char database_[64];
  const TSqlDialect* dialect_;
};
