// What the database functions of the expression language share: connection, key columns.
#include "expr/dbcall.h"

#include "data/core/strings.h"
#include "data/db/database.h"
#include "data/db/dialect.h"
#include "data/db/odbcstatement.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "expr/value.h"

#include <cstdlib>

TDbCall::TDbCall() {
  if (!OdbcEnvironment) return;
  connection_.reset(new TOdbcConnection(OdbcEnvironment, 1, DatabaseName));
  if (connection_->IsConnected()) statement_.reset(new TOdbcStatement(connection_.get()));
}

TDbCall::~TDbCall() {
  statement_.reset();  // the statement goes before its connection
  connection_.reset();
}

bool TDbCall::Connected() const { return statement_ != nullptr; }

const TSqlDialect& TDbCall::Dialect() const {
  return connection_ ? connection_->Dialect() : TSqlDialect::Of(TSqlDialect::SqlServer);
}

std::string TDbCall::Diagnostic() const {
  if (statement_) return statement_->GetDiagMessage();
  if (connection_) return connection_->GetDiagMessage();
  return "No database connection";
}

bool TDbCall::Run(const std::string& sql) {
  return statement_ && SQL_SUCCEEDED(statement_->ExecDirect(sql.c_str()));
}

bool TDbCall::Fetch() { return statement_ && SQL_SUCCEEDED(statement_->Fetch()); }

void TDbCall::CloseCursor() {
  if (statement_) statement_->CloseCursor();
}

std::string TDbCall::Column(int column) {
  TTempString text;
  statement_->GetData(column, text, TEMP_STRING_SIZE);
  return text.get();
}

std::vector<TLinkColumn> LinkColumns(const TEntity* entity, const TRelationship* relationship) {
  std::vector<TLinkColumn> link;
  const TEntity* other = relationship->WithEntity;
  if (!entity || !other) return link;
  if (relationship->ForeignEntity == other) {
    for (int i = 0; i < other->AttributeCount; ++i) {
      const TAttribute& attribute = other->Attributes[i];
      if (!relationship->Reverse || attribute.ForeignRel != relationship->Reverse || !attribute.PrimAttr) continue;
      int position = entity->AttributeIndex(attribute.PrimAttr);
      if (position >= 0) link.push_back({&attribute, position});
    }
  } else {
    for (int i = 0; i < entity->AttributeCount; ++i) {
      const TAttribute& attribute = entity->Attributes[i];
      if (attribute.ForeignRel == relationship && attribute.PrimAttr) link.push_back({attribute.PrimAttr, i});
    }
  }
  return link;
}

std::vector<std::string> LinkValues(TDBRecord* record, const std::vector<TLinkColumn>& link) {
  std::vector<std::string> values;
  for (const TLinkColumn& column : link) {
    const char* value = record ? record->GetValue(TAttrRef(column.valuePosition)) : nullptr;
    values.push_back(value ? value : "");
  }
  return values;
}

bool AllEmpty(const std::vector<std::string>& values) {
  for (const std::string& value : values)
    if (!value.empty()) return false;
  return true;
}

std::string LinkConditions(const std::vector<TLinkColumn>& link) {
  std::string text;
  for (const TLinkColumn& column : link) {
    if (!text.empty()) text += " AND ";
    text += column.column->Name;
    text += "=?";
  }
  return text;
}

bool RunWithKeys(TDbCall& call, const std::string& sql, const std::vector<TLinkColumn>& link,
                 const std::vector<std::string>& values) {
  if (!call.Connected()) return false;
  TOdbcStatement& statement = call.Statement();
  if (!SQL_SUCCEEDED(statement.Prepare(sql.c_str()))) return false;
  for (size_t i = 0; i < link.size(); ++i) {
    const TAttribute* column = link[i].column;
    if (!SQL_SUCCEEDED(statement.BindParameter(int(i), column->SqlType, column->ColumnSize,
                                               column->DecimalDigits, values[i].c_str())))
      return false;
  }
  return SQL_SUCCEEDED(statement.Execute());
}

std::string StoredColumns(const TEntity* entity) {
  std::string text;
  for (int i = 0; i < entity->AttributeCount; ++i) {
    if (!IsStoredAttribute(entity->Attributes[i])) continue;
    if (!text.empty()) text += ",";
    text += entity->Attributes[i].Name;
  }
  return text;
}

void FillRecord(TDBRecord& record, const TEntity* entity, TDbCall& call) {
  int column = 0;
  for (int i = 0; i < entity->AttributeCount; ++i) {
    if (!IsStoredAttribute(entity->Attributes[i])) continue;
    record.SetValue(TAttrRef(i), call.Column(column++).c_str());
  }
}

std::string RowLock(TDBRecord* record, const TDbCall& call, const char* column, bool aggregate) {
  if (!record || !record->GetForUpdate()) return "";
  char clause[256] = "";
  if (aggregate)
    call.Dialect().AggregateRowLockClause(clause, sizeof clause, column);
  else
    call.Dialect().RowLockClause(clause, sizeof clause, column);
  return clause;
}

TColumnValue ColumnValueOf(const TAttribute* attribute) {
  switch (attribute->SqlType) {
    case SQL_INTEGER: case SQL_SMALLINT: case SQL_TINYINT: case SQL_BIT: return ColumnLong;
    case SQL_REAL: case SQL_FLOAT: case SQL_DOUBLE: return ColumnDouble;
    case SQL_DECIMAL: case SQL_NUMERIC: return attribute->DecimalDigits > 0 ? ColumnDouble : ColumnLong;
    default: return ColumnText;
  }
}

void SetStartValue(TColumnValue kind, TValue& value) {
  switch (kind) {
    case ColumnLong: value.SetLong(0); break;
    case ColumnDouble: value.SetDouble(0.0); break;
    default: value.SetString(""); break;
  }
}

void SetColumnValue(TColumnValue kind, const std::string& text, TValue& value) {
  switch (kind) {
    case ColumnLong: value.SetLong(std::strtol(text.c_str(), nullptr, 10)); break;
    case ColumnDouble: value.SetDouble(std::strtod(text.c_str(), nullptr)); break;
    default: value.SetString(text.c_str()); break;
  }
}
