// One statement on a connection: prepared or direct SQL, parameters bound from text by
// SQL type, fetching and reading columns by number or name.
#pragma once

#include "data/core/spareblocks.h"
#include "data/db/odbc.h"

// One bound input parameter. The bound buffers live in the node, so a value can be
// changed and the statement executed again.
struct TOdbcParam {
  TOdbcParam* next = nullptr;
  SQLSMALLINT sqlType = 0;
  SQLSMALLINT bufferLength = 0;
  SQLLEN indicator = 0;
  char* text;  // heap string field
  double doubleValue = 0.0;
  SQLINTEGER longValue = 0;
  SQLULEN columnSize = 0;
  SQLSMALLINT decimalDigits = 0;
  bool bound = false;  // the driver holds this node's buffers for its position
  TOdbcParam();
  ~TOdbcParam();
  static void* operator new(std::size_t size) { return TSpareBlocks<TOdbcParam>::Take(size); }
  static void operator delete(void* block, std::size_t size) { TSpareBlocks<TOdbcParam>::Give(block, size); }
  TOdbcParam(const TOdbcParam&) = delete;
  TOdbcParam& operator=(const TOdbcParam&) = delete;
};

class TOdbcStatement : public TOdbcHandle {
public:
  explicit TOdbcStatement(TOdbcConnection* connection);
  ~TOdbcStatement();
  static void* operator new(std::size_t size) { return TSpareBlocks<TOdbcStatement>::Take(size); }
  static void operator delete(void* block, std::size_t size) { TSpareBlocks<TOdbcStatement>::Give(block, size); }

  void SetConnection(TOdbcConnection* connection);
  TOdbcConnection* GetConnection() const { return connection_; }

  // Prepares the text; a handle that this connection prepared with the same text before
  // is taken again instead (when no parameter is bound yet).
  SQLRETURN Prepare(const char* sql);
  SQLRETURN Execute();
  SQLRETURN ExecDirect(const char* sql);

  // Binds input parameter position + 1 from text, converted as the SQL type asks.
  SQLRETURN BindParameter(int position, int sqlType, long columnSize, int decimalDigits,
                          const char* text);
  // A new text for an already bound parameter (its type, size and digits stay).
  SQLRETURN SetParameter(int position, const char* text);
  // Unbinds the parameters bound through this object. (The driver is told before the
  // next execute, and only when the statement then binds fewer positions.)
  SQLRETURN ResetParameters();

  SQLRETURN Fetch();
  // Closes the cursor of the last execute (no driver call when none is open).
  SQLRETURN CloseCursor();
  SQLLEN RowCount();
  int NumResultCols();

  // Column attributes of column i (0-based) of the current result.
  SQLRETURN GetColumnName(int column, char* buffer, int size);
  SQLLEN GetColumnType(int column);
  SQLLEN GetColumnPrecision(int column);
  SQLLEN GetColumnScale(int column);
  SQLLEN GetColumnNullable(int column);
  // The description of column i as the last execute found it; null past the end.
  // (Described on first use after each execute.)
  const TOdbcColumn* Column(int column) const;
  int ColumnCount() const;
  int ColumnIndex(const char* name) const;

  // Column i (0-based) as text into buffer (emptied first); returns the length
  // indicator, -1 for NULL.
  SQLLEN GetData(int column, char* buffer, int size);
  SQLLEN GetDataByName(const char* name, char* buffer, int size);
  // Column as text into a heap string field; returns the length indicator.
  SQLLEN GetStringByName(const char* name, char** field);
  short GetShort(int column);
  short GetShortByName(const char* name);
  long GetLong(int column);
  long GetLongByName(const char* name);
  double GetDouble(int column);
  double GetDoubleByName(const char* name);

  void GetDiagRec() { ReadDiagnostic(SQL_HANDLE_STMT); }
  // Reads the diagnostic after every call, so the message describes the last call.
  void CaptureError();

  // Display width in characters of a column type; -1 for a type without one.
  static int DisplaySize(int sqlType, long columnSize, int decimalDigits);

private:
  void Allocate();
  void Free();
  void DescribeColumns();
  void EnsureColumns() const;
  // Hands a prepared handle to the environment's store, else frees it.
  void ReleaseHandle();
  void DeleteParameters();
  // The driver keeps the read of this statement open past SQLFreeStmt(SQL_CLOSE).
  bool CloseLeavesReadOpen() const;
  TOdbcParam* ParameterAt(int position, bool create);
  SQLRETURN BindText(int position, TOdbcParam* param, SQLSMALLINT boundType);
  // Binds the node's buffers at its position, as its SQL type asks.
  SQLRETURN BindNode(int position, TOdbcParam* param);
  // Before an execute: positions still bound to buffers that are gone (an earlier
  // statement of the kept handle, or unbound by ResetParameters) and not bound again by
  // this statement are unbound in the driver, and this statement's own bound again.
  void DropStaleBindings();
  // How many positions this statement's own parameters reach.
  int ParameterCount() const;
  SQLRETURN GetFixed(int column, SQLSMALLINT cType, void* value);
  SQLLEN ColumnAttribute(int column, SQLUSMALLINT field);

  TOdbcConnection* connection_;
  TOdbcParam* params_ = nullptr;
  std::string preparedSql_;      // the text the handle holds prepared, "" when none
  bool columnsDescribed_ = true;  // false after an execute until the columns are asked for
  bool cursorOpen_ = false;       // an execute succeeded and no close followed
  bool used_ = false;             // the handle was prepared, executed or bound
  int staleBindings_ = 0;         // positions the driver may still hold bound to freed buffers
};
