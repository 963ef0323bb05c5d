// Storing a record: insert, update with the key cascade, the parent check.
#include <cstring>
#include <string>
#include <vector>

#include "data/core/messages.h"
#include "data/core/strings.h"
#include "data/core/waitcursor.h"
#include "data/db/odbcstatement.h"
#include "data/db/record.h"
#include "data/db/recordsql.h"
#include "data/db/recordtxn.h"
#include "data/model/model.h"
#include "expr/errors.h"

namespace {

bool PointsToParent(const TEntity& entity, const TRelationship& r) {
  return r.ForeignEntity == &entity && (r.PrimaryEntity != r.ForeignEntity || !r.ToMany);
}

bool PointsToChildren(const TEntity& entity, const TRelationship& r) {
  return r.PrimaryEntity == &entity && (r.PrimaryEntity != r.ForeignEntity || r.ToMany);
}

// Every mandatory stored field has a value; else 110 naming the first empty one.
bool MandatoryFilled(TDBRecord& record) {
  const TEntity& entity = *record.GetEntity();
  for (int i = 0; i < entity.AttributeCount; ++i) {
    const TAttribute& a = entity.Attributes[i];
    if (IsStoredAttribute(a) && a.EffectiveMandatory && !*record.Field(i).CurrentValue()) {
      record.SetError(RecordMandatoryEmpty, a.Caption);
      return false;
    }
  }
  return true;
}

// How the row fetched by the update's existence test compares with the stored values
// the record has.
enum class TRowComparison { Same, ChangedByOther, Unreadable };

TRowComparison CompareWithStoredValues(TOdbcStatement& statement, TDBRecord& record) {
  const TEntity& entity = *record.GetEntity();
  TTempString text;
  int column = 0;
  for (int i = 0; i < entity.AttributeCount; ++i) {
    const TAttribute& a = entity.Attributes[i];
    if (!IsStoredAttribute(a)) continue;
    statement.GetData(column++, text, TEMP_STRING_SIZE);
    if (!statement.IsSuccess()) return TRowComparison::Unreadable;
    const TDBFieldValue& field = record.Field(i);
    if ((field.Flags() & TDBFieldValue::HasValue) && !SameColumnValue(a, field.Value(), text))
      return TRowComparison::ChangedByOther;
  }
  return TRowComparison::Same;
}

// Sets the code with the statement's diagnostic; false, for the steps below.
bool Fail(TDBRecord& record, int code, const TOdbcStatement& statement) {
  record.SetError(code, statement.GetDiagMessage());
  return false;
}

// The steps of an update, each false after setting the record's status.

// The row by its old key still holds what the record read: a row another user changed
// since is not overwritten (111), one that is gone is not written (105).
bool RowUnchangedSinceRead(TDBRecord& record, TOdbcStatement& statement) {
  std::string locked;
  const std::string& sql = WithRowLock(record.Texts().StoredRow(), record.GetForUpdate(), statement,
                                       *record.GetEntity(), IsStoredAttribute, locked);
  if (!SQL_SUCCEEDED(statement.Prepare(sql.c_str()))) return Fail(record, RecordSqlError, statement);
  BindKey(statement, record, 0, true);
  if (!SQL_SUCCEEDED(statement.Execute()) || !SQL_SUCCEEDED(statement.Fetch()))
    return Fail(record, RecordDoesNotExist, statement);
  TRowComparison comparison = CompareWithStoredValues(statement, record);
  // A column that cannot be read is an error of the read, not a change by someone else.
  if (comparison == TRowComparison::Unreadable) return Fail(record, RecordSqlError, statement);
  statement.CloseCursor();
  if (comparison == TRowComparison::ChangedByOther) record.SetStatus(RecordChangedByOther);
  return comparison == TRowComparison::Same;
}

// Every parent row the record refers to exists (when asked to check them).
bool ParentsExist(TDBRecord& record, TParentCheck parents) {
  TEntity& entity = *record.GetEntity();
  for (int r = 0; parents == CheckParents && r < entity.RelationshipCount; ++r)
    if (PointsToParent(entity, entity.Relationships[r]) && !record.CheckParent(&entity.Relationships[r]))
      return false;
  return true;
}

// No child row holds the old key of a record whose key changes without cascade (106).
bool NoChildHoldsOldKey(TDBRecord& record, TOdbcStatement& statement) {
  TEntity& entity = *record.GetEntity();
  for (int r = 0; r < entity.RelationshipCount; ++r) {
    TRelationship& rel = entity.Relationships[r];
    if (!PointsToChildren(entity, rel)) continue;
    TEntity& child = *rel.ForeignEntity;
    std::string columns;
    std::vector<const TAttribute*> keys;
    for (int i = 0; i < child.AttributeCount; ++i) {
      const TAttribute& a = child.Attributes[i];
      if (a.ForeignRel != rel.Reverse) continue;
      if (!columns.empty()) columns += ",";
      columns += a.Name;
      keys.push_back(&a);
    }
    if (keys.empty()) continue;
    std::string find = "SELECT " + columns + " FROM " + child.Name + " WHERE " + EqualConditions(columns);
    statement.ResetParameters();
    if (!SQL_SUCCEEDED(statement.Prepare(find.c_str()))) return Fail(record, RecordSqlError, statement);
    int position = 0;
    for (const TAttribute* a : keys) {
      int parent = entity.AttributeIndex(a->PrimAttr);
      if (parent < 0) FatalError("Inconsistency - primattr not found", "");
      BindValue(statement, position++, entity.Attributes[parent], OldValue(record.Field(parent)));
    }
    if (!SQL_SUCCEEDED(statement.Execute())) return Fail(record, RecordSqlError, statement);
    SQLRETURN rc = statement.Fetch();
    statement.CloseCursor();
    if (SQL_SUCCEEDED(rc)) {
      record.SetError(RecordRelatedFound, rel.Name);
      return false;
    }
    if (rc != SQL_NO_DATA) return Fail(record, RecordSqlError, statement);
  }
  return true;
}

// No other row has the record's new key (112).
bool NewKeyFree(TDBRecord& record, TOdbcStatement& statement) {
  std::string locked;
  const std::string& free = WithRowLock(record.Texts().KeyLookup(), record.GetForUpdate(), statement,
                                        *record.GetEntity(), IsKeyAttribute, locked);
  statement.ResetParameters();
  if (!SQL_SUCCEEDED(statement.Prepare(free.c_str()))) return Fail(record, RecordSqlError, statement);
  BindKey(statement, record, 0, false);
  if (!SQL_SUCCEEDED(statement.Execute())) return Fail(record, RecordSqlError, statement);
  SQLRETURN rc = statement.Fetch();
  statement.CloseCursor();
  if (SQL_SUCCEEDED(rc)) {
    record.SetStatus(RecordAlreadyExists);
    return false;
  }
  return rc == SQL_NO_DATA || Fail(record, RecordSqlError, statement);
}

// Writes every stored field into the row of the old key (an empty field as NULL). An
// update that changes no row failed too: the server skipped the row (113).
bool WriteRow(TDBRecord& record, TOdbcStatement& statement) {
  const TEntity& entity = *record.GetEntity();
  const std::vector<int>* filled = nullptr;
  const std::string& sql = record.Texts().Update(record, filled);
  statement.ResetParameters();
  if (!SQL_SUCCEEDED(statement.Prepare(sql.c_str()))) return Fail(record, RecordSqlError, statement);
  int position = 0;
  for (int i : *filled) BindValue(statement, position++, entity.Attributes[i], record.Field(i).CurrentValue());
  BindKey(statement, record, position, true);
  if (!SQL_SUCCEEDED(statement.Execute())) return Fail(record, RecordUpdateFailed, statement);
  if (statement.RowCount() == 0) {
    record.SetError(RecordUpdateFailed, "no row changed");
    return false;
  }
  return true;
}

// Whether a child's own key holds a key attribute of the parent: such children keep
// their rows as they are when the parent's key changes.
bool KeyInChildKey(const TEntity& parent, const TEntity& child) {
  for (int c = 0; c < child.AttributeCount; ++c) {
    if (!child.Attributes[c].KeyPart) continue;
    for (int i = 0; i < parent.AttributeCount; ++i)
      if (IsKeyAttribute(parent.Attributes[i]) &&
          _stricmp(parent.Attributes[i].Name, child.Attributes[c].PrimAttrName) == 0)
        return true;
  }
  return false;
}

// Carries the new key into the foreign keys of the child rows (relationships that take
// the key cascade). A failure of a child is the record's status; an earlier one stays.
void CascadeNewKey(TDBRecord& record) {
  TEntity& entity = *record.GetEntity();
  for (int r = 0; r < entity.RelationshipCount; ++r) {
    TRelationship& rel = entity.Relationships[r];
    if (!PointsToChildren(entity, rel) || rel.NoKeyCascade || KeyInChildKey(entity, *rel.ForeignEntity)) continue;
    std::vector<TKeyCascadeEntry> entries;
    for (int i = 0; i < entity.AttributeCount; ++i)
      if (IsKeyAttribute(entity.Attributes[i]))
        entries.push_back({&entity.Attributes[i], nullptr, OldValue(record.Field(i)), record.Field(i).CurrentValue()});
    int status = record.GetStatus();
    record.CascadeKeyUpdate(rel.ForeignEntity, rel.Reverse, int(entries.size()), entries.data());
    if (status && record.IsOk()) record.SetStatus(status);
  }
}

// The dependents snapshot of an update, freed by the record that made it.
class TDependentsSnapshot {
public:
  explicit TDependentsSnapshot(TDBRecord& record) : record_(record) {}
  ~TDependentsSnapshot() { record_.FreeDependents(dependents_); }
  TDependentsSnapshot(const TDependentsSnapshot&) = delete;
  TDependentsSnapshot& operator=(const TDependentsSnapshot&) = delete;
  void Take() { dependents_ = record_.SnapshotDependents(); }
  TDBRecord** get() const { return dependents_; }

private:
  TDBRecord& record_;
  TDBRecord** dependents_ = nullptr;
};

// The transaction of one store and what undoes it. When the outermost store fails, its
// work is rolled back: fields that took the written values as stored ones get back what
// they held before, and a record that seemed to succeed reports the failure code with the
// reason.
class TStoreScope {
public:
  TStoreScope(TDBRecord& record, int failureCode) : record_(record), failureCode_(failureCode) {
    if (transaction_.IsOutermost()) record.SaveFields(Before());
  }
  ~TStoreScope() { Finish(); }
  TStoreScope(const TStoreScope&) = delete;
  TStoreScope& operator=(const TStoreScope&) = delete;

  // The record's fields now hold the written values as stored ones.
  void FieldsCommitted() { fieldsCommitted_ = true; }

private:
  void Finish() {
    if (!transaction_.IsOutermost() || transaction_.Finish(record_.IsOk())) return;
    int status = record_.GetStatus();
    std::string failure = transaction_.Failure();
    std::string message = RecordErrorState.GetErrorMessage();
    if (fieldsCommitted_) record_.RestoreFields(Before());
    if (!status) {
      record_.SetError(failureCode_, failure.c_str());
    } else {
      record_.SetStatus(status);
      RecordErrorState.SetErrorText(status, message.c_str());
    }
  }

  // The fields as they were before the outermost store, which only one store at a time
  // is: kept from store to store, so that their texts are copied into room already there.
  static std::vector<TDBFieldValue::TSaved>& Before() {
    static std::vector<TDBFieldValue::TSaved> before;
    return before;
  }

  TRecordTransaction transaction_;
  TDBRecord& record_;
  int failureCode_;
  bool fieldsCommitted_ = false;
};

}  // namespace

bool TDBRecord::CheckParent(TRelationship* relationship) {
  std::vector<int> foreignKeys;
  bool anyValue = false;
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    if (entity_->Attributes[i].ForeignRel != relationship) continue;
    foreignKeys.push_back(i);
    if (*fields_[i].CurrentValue()) anyValue = true;
  }
  if (!relationship->ParentRequired && !anyValue) return true;

  std::string columns;
  for (int i : foreignKeys) {
    if (!columns.empty()) columns += ",";
    columns += entity_->Attributes[i].PrimAttr ? entity_->Attributes[i].PrimAttr->Name
                                               : entity_->Attributes[i].PrimAttrName;
  }
  std::string sql = "SELECT " + columns + " FROM " + relationship->PrimaryEntity->Name + " WHERE " +
                    EqualConditions(columns);
  // Runs on the operation's statement; called alone it makes one of its own.
  bool own = statement_ == nullptr;
  if (own && !OpenStatement()) {
    SetStatus(RecordSqlError);
    return false;
  }
  TOdbcStatement& statement = *statement_;
  if (forUpdate_) AppendRowLock(sql, statement, columns);
  statement.CloseCursor();
  statement.ResetParameters();
  bool found = false;
  if (SQL_SUCCEEDED(statement.Prepare(sql.c_str()))) {
    int position = 0;
    for (int i : foreignKeys) BindValue(statement, position++, entity_->Attributes[i], fields_[i].CurrentValue());
    if (SQL_SUCCEEDED(statement.Execute())) {
      SQLRETURN rc = statement.Fetch();
      found = SQL_SUCCEEDED(rc);
      statement.CloseCursor();
      if (rc == SQL_NO_DATA) SetError(RecordNoParent, relationship->Name);
      else if (!found) SetStatus(RecordSqlError);
    } else {
      SetStatus(RecordSqlError);
    }
  } else {
    SetStatus(RecordSqlError);
  }
  if (own) DropStatement();
  return found;
}

void TDBRecord::Insert(TParentCheck parents) {
  // One wait cursor for the whole operation: the steps inside it change nothing.
  TWaitCursor wait;
  SetStatus(0);
  OnBeforeStore();
  TStoreScope store(*this, RecordInsertFailed);

  if (Exists()) return SetStatus(RecordAlreadyExists);
  if (!IsOk()) return;
  if (!ApplyDefaults() || !ApplyStoreDefaults()) return;
  if (!MandatoryFilled(*this) || !Validate()) return;

  {
    TAtExit cleanup([this] { DropStatement(); });
    TOdbcStatement* statement = OpenStatement();
    if (!statement) {
      SetError(RecordInsertFailed, "");
    } else {
      if (!ParentsExist(*this, parents)) return;

      const std::vector<int>* filled = nullptr;
      const std::string& sql = Texts().Insert(*this, filled);
      statement->ResetParameters();
      bool done = SQL_SUCCEEDED(statement->Prepare(sql.c_str()));
      if (done) {
        int position = 0;
        for (int i : *filled) BindValue(*statement, position++, entity_->Attributes[i], fields_[i].CurrentValue());
        done = SQL_SUCCEEDED(statement->Execute());
      }
      if (!done) {
        SetError(RecordInsertFailed, statement->GetDiagMessage());
      } else {
        store.FieldsCommitted();
        if (!ReadBackStoredRow(*statement, *this)) return SetError(RecordSqlError, statement->GetDiagMessage());
        RecalculateDependents();
      }
    }
  }
  OnAfterStore();
}

void TDBRecord::Update(TCascadeMode cascade, TParentCheck parents) {
  // One wait cursor for the whole operation: the steps inside it change nothing.
  TWaitCursor wait;
  SetStatus(0);
  OnBeforeStore();
  TStoreScope store(*this, RecordUpdateFailed);
  if (!ApplyDefaults() || !ApplyStoreDefaults()) return;
  if (!MandatoryFilled(*this) || !Validate()) return;
  TAtExit cleanup([this] { DropStatement(); });
  TOdbcStatement* statement = OpenStatement();
  if (!statement) return SetStatus(RecordSqlError);

  if (!RowUnchangedSinceRead(*this, *statement) || !ParentsExist(*this, parents)) return;
  TDependentsSnapshot dependents(*this);
  const bool keyChanged = IsKeyChanged();
  if (keyChanged) {
    if (cascade == RefuseIfChildren && !NoChildHoldsOldKey(*this, *statement)) return;
    if (!NewKeyFree(*this, *statement)) return;
    dependents.Take();
  }
  if (!WriteRow(*this, *statement)) return;
  if (entity_->DependentRelCount > 0) RecalculateDependents();
  if (cascade == CascadeToChildren && keyChanged) CascadeNewKey(*this);

  store.FieldsCommitted();
  if (!statement_ || !ReadBackStoredRow(*statement_, *this))
    return SetError(RecordSqlError, statement_ ? statement_->GetDiagMessage() : "");
  DropStatement();
  UpdateDependents(dependents.get());
  OnAfterStore();
}
