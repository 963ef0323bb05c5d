// The counter kept in a parent row (the two-argument NEXTSEQUENCE).
#include <cstdio>
#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/db/database.h"
#include "data/db/dialect.h"
#include "data/db/odbcstatement.h"
#include "data/db/record.h"
#include "data/db/sequence.h"
#include "data/model/model.h"
#include "data/model/settings.h"

namespace {

struct TCounterKey {
  int field;                 // the record's foreign-key attribute
  const TAttribute* parent;  // the parent's key attribute it copies
};

bool Ran(SQLRETURN rc) { return SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA; }

void BindKeys(TOdbcStatement& statement, TDBRecord& record, const std::vector<TCounterKey>& keys, int position) {
  for (const TCounterKey& key : keys)
    statement.BindParameter(position++, key.parent->SqlType, key.parent->ColumnSize,
                            key.parent->DecimalDigits, record.GetValue(key.field));
}

// Reads, counts and writes the counter inside the connection's open transaction.
long Count(TOdbcStatement& statement, TDBRecord& record, const TEntity& parent, const TAttribute& counter,
           const std::vector<TCounterKey>& keys) {
  std::string where;
  for (const TCounterKey& key : keys) {
    where += where.empty() ? " WHERE " : " AND ";
    where += std::string(key.parent->Name) + "=?";
  }
  // First a write to the row: it keeps every other counter of the row waiting until
  // this transaction ends (a row that does not exist writes nothing).
  std::string lock = std::string("UPDATE ") + parent.Name + " SET " + counter.Name + "=" + counter.Name + where;
  if (!SQL_SUCCEEDED(statement.Prepare(lock.c_str()))) return -1;
  BindKeys(statement, record, keys, 0);
  if (!Ran(statement.Execute())) return -1;

  std::string select = std::string("SELECT ") + counter.Name + " FROM " + parent.Name + where;
  if (UseForUpdateClause) {
    TTempString clause;
    statement.GetConnection()->Dialect().RowLockClause(clause, TEMP_STRING_SIZE, counter.Name);
    select += clause.get();
  }
  statement.ResetParameters();
  if (!SQL_SUCCEEDED(statement.Prepare(select.c_str()))) return -1;
  BindKeys(statement, record, keys, 0);
  if (!SQL_SUCCEEDED(statement.Execute()) || !SQL_SUCCEEDED(statement.Fetch())) return -1;
  long value = statement.GetLong(0) + 1;
  statement.CloseCursor();

  std::string update = std::string("UPDATE ") + parent.Name + " SET " + counter.Name + " = ?" + where;
  statement.ResetParameters();
  if (!SQL_SUCCEEDED(statement.Prepare(update.c_str()))) return -1;
  char text[24];
  snprintf(text, sizeof text, "%ld", value);
  statement.BindParameter(0, counter.SqlType, counter.ColumnSize, counter.DecimalDigits, text);
  BindKeys(statement, record, keys, 1);
  return SQL_SUCCEEDED(statement.Execute()) ? value : -1;
}

}  // namespace

long UpdateFieldLocked(TDBRecord* record, const char* relationshipName, const char* attributeName) {
  TEntity* entity = record->GetEntity();
  TRelationship* relationship = entity->FindRelationship(relationshipName);
  if (!relationship || !relationship->WithEntity) return -1;
  const TEntity& parent = *relationship->WithEntity;
  const TAttribute* counter = parent.FindAttribute(attributeName);
  if (!counter) return -1;
  std::vector<TCounterKey> keys;
  for (int i = 0; i < entity->AttributeCount; ++i) {
    const TAttribute& a = entity->Attributes[i];
    if (a.ForeignRel == relationship && a.PrimAttr && parent.AttributeIndex(a.PrimAttr) >= 0)
      keys.push_back({i, a.PrimAttr});
  }
  if (keys.empty() || !OdbcEnvironment) return -1;

  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  if (!connection.IsConnected()) return -1;
  long value = -1;
  // Read and write form one transaction, so no two connections get the same value.
  if (SQL_SUCCEEDED(connection.SetAutoCommit(false))) {
    TOdbcStatement statement(&connection);
    value = Count(statement, *record, parent, *counter, keys);
  }
  if (value >= 0 && !SQL_SUCCEEDED(connection.Commit())) value = -1;
  if (value < 0) connection.Rollback();
  connection.SetAutoCommit(true);
  return value;
}
