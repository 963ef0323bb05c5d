// Reading a record: existence by key, read by key and navigation in key order.
#include <string>
#include <vector>

#include "data/core/waitcursor.h"
#include "data/db/database.h"
#include "data/db/odbcstatement.h"
#include "data/db/record.h"
#include "data/db/recordsql.h"
#include "data/model/model.h"

bool TDBRecord::Exists() {
  TWaitCursor wait;
  SetStatus(0);
  if (!OdbcEnvironment) {
    SetStatus(RecordSqlError);
    return false;
  }
  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  TOdbcStatement statement(&connection);
  std::string locked;
  const std::string& sql = WithRowLock(Texts().KeyLookup(), forUpdate_, statement, *entity_, IsKeyAttribute, locked);
  if (!SQL_SUCCEEDED(statement.Prepare(sql.c_str()))) {
    SetStatus(RecordSqlError);
    return false;
  }
  BindKey(statement, *this, 0, false);
  if (!SQL_SUCCEEDED(statement.Execute())) {
    SetError(RecordSqlError, statement.GetDiagMessage());
    return false;
  }
  SQLRETURN rc = statement.Fetch();
  if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) {
    SetError(RecordSqlError, statement.GetDiagMessage());
    return false;
  }
  statement.CloseCursor();
  return rc != SQL_NO_DATA;
}

void TDBRecord::Read() {
  TWaitCursor wait;
  SetStatus(0);
  TOdbcStatement* statement = OpenStatement();
  TAtExit drop([this] { DropStatement(); });
  if (!statement) return SetStatus(RecordSqlError);
  std::string locked;
  const std::string& sql = WithRowLock(Texts().ReadByKey(), forUpdate_, *statement, *entity_, IsKeyAttribute, locked);
  if (!SQL_SUCCEEDED(statement->Prepare(sql.c_str()))) return SetStatus(RecordSqlError);
  BindKey(*statement, *this, 0, false);
  if (!SQL_SUCCEEDED(statement->Execute())) return SetStatus(RecordSqlError);
  if (!SQL_SUCCEEDED(statement->Fetch())) return SetStatus(RecordDoesNotExist);
  if (!ReadStoredColumns(*statement, *this, false)) return SetError(RecordSqlError, statement->GetDiagMessage());
  statement->CloseCursor();
}

namespace {

// The condition of the rows after (next) or before (previous) the current key: for keys
// k1..kn, n groups from all n keys down to k1 alone, the last key of each compared.
std::string NavigationCondition(const TEntity& entity, bool next) {
  std::vector<const char*> keys;
  for (int i = 0; i < entity.AttributeCount; ++i)
    if (IsKeyAttribute(entity.Attributes[i])) keys.push_back(entity.Attributes[i].Name);
  const size_t n = keys.size();
  std::string condition;
  for (size_t j = 0; j < n; ++j) {
    if (j > 0) condition += " OR ";
    std::string group;
    for (size_t k = 0; k < n - j; ++k) {
      if (k > 0) group += " AND ";
      group += keys[k];
      group += k + 1 < n - j ? "=?" : next ? ">?" : "<?";
    }
    condition += j + 1 < n ? "(" + group + ")" : group;
  }
  return condition;
}

// The key parameters in the order of NavigationCondition.
void BindNavigationKeys(TOdbcStatement& statement, TDBRecord& record) {
  const TEntity& entity = *record.GetEntity();
  std::vector<int> keys;
  for (int i = 0; i < entity.AttributeCount; ++i)
    if (IsKeyAttribute(entity.Attributes[i])) keys.push_back(i);
  int position = 0;
  for (size_t j = 0; j < keys.size(); ++j)
    for (size_t k = 0; k < keys.size() - j; ++k)
      BindValue(statement, position++, entity.Attributes[keys[k]], record.Field(keys[k]).CurrentValue());
}

}  // namespace

void TDBRecord::Navigate(TNavigation step) {
  TWaitCursor wait;
  SetStatus(0);
  if (step < NavigateFirst || step > NavigateLast) return SetStatus(RecordDoesNotExist);
  const bool stepping = step == NavigatePrevious || step == NavigateNext;
  const bool descending = step == NavigatePrevious || step == NavigateLast;
  std::string sql = "SELECT " + JoinColumns(*entity_, IsStoredAttribute, ", ") + " FROM " + entity_->Name;
  if (stepping) sql += " WHERE " + NavigationCondition(*entity_, step == NavigateNext);
  std::string keys = KeyColumns(*entity_);
  sql += " ORDER BY " + (descending ? JoinColumns(*entity_, IsKeyAttribute, " DESC,") + " DESC" : keys);

  TOdbcStatement* statement = OpenStatement();
  TAtExit drop([this] { DropStatement(); });
  if (!statement) return SetStatus(RecordSqlError);
  if (forUpdate_) AppendRowLock(sql, *statement, keys);
  if (!SQL_SUCCEEDED(statement->Prepare(sql.c_str()))) return SetStatus(RecordSqlError);
  if (stepping) BindNavigationKeys(*statement, *this);
  if (!SQL_SUCCEEDED(statement->Execute())) return SetStatus(RecordSqlError);
  if (!SQL_SUCCEEDED(statement->Fetch())) return SetStatus(RecordDoesNotExist);
  // Shadow fields computed for the old row do not belong to the new one.
  for (int i = 0; i < entity_->AttributeCount; ++i) fields_[i].Clear();
  if (!ReadStoredColumns(*statement, *this, true)) return SetError(RecordSqlError, statement->GetDiagMessage());
  statement->CloseCursor();
}
