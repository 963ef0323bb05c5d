// Storing a record: insert, update with the key cascade, the parent check.
#include <cstring>
#include <memory>
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

// Whether the row fetched by the update's existence test still holds every stored value
// the record has; a column that cannot be read counts as changed.
bool RowUnchanged(TOdbcStatement& statement, TDBRecord& record) {
  const TEntity& entity = *record.GetEntity();
  TTempString text;
  int column = 0;
  for (int i = 0; i < entity.AttributeCount; ++i) {
    const TAttribute& a = entity.Attributes[i];
    if (!IsStoredAttribute(a)) continue;
    statement.GetData(column++, text, TEMP_STRING_SIZE);
    if (!statement.IsSuccess()) return false;
    const TDBFieldValue& field = record.Field(i);
    if ((field.Flags() & TDBFieldValue::HasValue) && !SameColumnValue(a, field.Value(), text))
      return false;
  }
  return true;
}

// The transaction of one store and what undoes it. When the outermost store fails, its
// work is rolled back: fields that took the written values as stored ones get back what
// they held before, and a record that seemed to succeed reports the failure code with the
// reason.
class TStoreScope {
public:
  TStoreScope(TDBRecord& record, int failureCode) : record_(record), failureCode_(failureCode) {
    if (transaction_.IsOutermost()) {
      before_.reset(NewDBRecord(record.GetEntityName()));
      before_->Assign(record);
    }
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
    if (fieldsCommitted_ && before_) record_.Assign(*before_);
    if (!status) {
      record_.SetError(failureCode_, failure.c_str());
    } else {
      record_.SetStatus(status);
      RecordErrorState.SetErrorText(status, message.c_str());
    }
  }

  TRecordTransaction transaction_;
  TDBRecord& record_;
  int failureCode_;
  std::unique_ptr<TDBRecord> before_;
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
      bool parentsFound = true;
      for (int r = 0; parents == CheckParents && parentsFound && r < entity_->RelationshipCount; ++r)
        if (PointsToParent(*entity_, entity_->Relationships[r]))
          parentsFound = CheckParent(&entity_->Relationships[r]);
      if (!parentsFound) return;

      std::string columns, marks;
      std::vector<int> filled;
      for (int i = 0; i < entity_->AttributeCount; ++i) {
        if (!IsStoredAttribute(entity_->Attributes[i]) || !*fields_[i].CurrentValue()) continue;
        if (!filled.empty()) {
          columns += ",";
          marks += ",";
        }
        columns += entity_->Attributes[i].Name;
        marks += "?";
        filled.push_back(i);
      }
      std::string sql = std::string("INSERT INTO ") + entity_->Name + " (" + columns + ") VALUES (" + marks + ")";
      statement->ResetParameters();
      bool done = SQL_SUCCEEDED(statement->Prepare(sql.c_str()));
      if (done) {
        int position = 0;
        for (int i : filled) BindValue(*statement, position++, entity_->Attributes[i], fields_[i].CurrentValue());
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
  TWaitCursor wait;
  SetStatus(0);
  OnBeforeStore();
  TStoreScope store(*this, RecordUpdateFailed);

  if (!ApplyDefaults() || !ApplyStoreDefaults()) return;
  if (!MandatoryFilled(*this) || !Validate()) return;
  TAtExit cleanup([this] { DropStatement(); });
  TOdbcStatement* statement = OpenStatement();
  if (!statement) return SetStatus(RecordSqlError);

  // The row by its old key, compared with what the record read: a row another user
  // changed since is not overwritten.
  std::string stored = JoinColumns(*entity_, IsStoredAttribute, ",");
  std::string sql = "SELECT " + stored + " FROM " + entity_->Name + " WHERE " + KeyConditions(*entity_);
  if (forUpdate_) AppendRowLock(sql, *statement, stored);
  if (!SQL_SUCCEEDED(statement->Prepare(sql.c_str()))) return SetError(RecordSqlError, statement->GetDiagMessage());
  BindKey(*statement, *this, 0, true);
  if (!SQL_SUCCEEDED(statement->Execute()) || !SQL_SUCCEEDED(statement->Fetch()))
    return SetError(RecordDoesNotExist, statement->GetDiagMessage());
  bool unchanged = RowUnchanged(*statement, *this);
  statement->CloseCursor();
  if (!unchanged) return SetStatus(RecordChangedByOther);

  for (int r = 0; parents == CheckParents && r < entity_->RelationshipCount; ++r)
    if (PointsToParent(*entity_, entity_->Relationships[r]) && !CheckParent(&entity_->Relationships[r])) return;

  TDBRecord** dependents = nullptr;
  TAtExit freeDependents([&] { FreeDependents(dependents); });
  const bool keyChanged = IsKeyChanged();
  if (keyChanged) {
    for (int r = 0; cascade == RefuseIfChildren && r < entity_->RelationshipCount; ++r) {
      TRelationship& rel = entity_->Relationships[r];
      if (!PointsToChildren(*entity_, rel)) continue;
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
      statement->ResetParameters();
      if (!SQL_SUCCEEDED(statement->Prepare(find.c_str())))
        return SetError(RecordSqlError, statement->GetDiagMessage());
      int position = 0;
      for (const TAttribute* a : keys) {
        int parent = entity_->AttributeIndex(a->PrimAttr);
        if (parent < 0) FatalError("Inconsistency - primattr not found", "");
        BindValue(*statement, position++, entity_->Attributes[parent], OldValue(fields_[parent]));
      }
      if (!SQL_SUCCEEDED(statement->Execute())) return SetError(RecordSqlError, statement->GetDiagMessage());
      SQLRETURN rc = statement->Fetch();
      statement->CloseCursor();
      if (SQL_SUCCEEDED(rc)) return SetError(RecordRelatedFound, rel.Name);
      if (rc != SQL_NO_DATA) return SetError(RecordSqlError, statement->GetDiagMessage());
    }

    std::string keys = KeyColumns(*entity_);
    std::string free = "SELECT " + keys + " FROM " + entity_->Name + " WHERE " + KeyConditions(*entity_);
    if (forUpdate_) AppendRowLock(free, *statement, keys);
    statement->ResetParameters();
    if (!SQL_SUCCEEDED(statement->Prepare(free.c_str()))) return SetError(RecordSqlError, statement->GetDiagMessage());
    BindKey(*statement, *this, 0, false);
    if (!SQL_SUCCEEDED(statement->Execute())) return SetError(RecordSqlError, statement->GetDiagMessage());
    SQLRETURN rc = statement->Fetch();
    statement->CloseCursor();
    if (SQL_SUCCEEDED(rc)) return SetStatus(RecordAlreadyExists);
    if (rc != SQL_NO_DATA) return SetError(RecordSqlError, statement->GetDiagMessage());
    dependents = SnapshotDependents();
  }

  std::string sets;
  std::vector<int> filled;
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    if (!IsStoredAttribute(entity_->Attributes[i])) continue;
    if (!sets.empty()) sets += ",";
    sets += entity_->Attributes[i].Name;
    if (*fields_[i].CurrentValue()) {
      sets += "=?";
      filled.push_back(i);
    } else {
      sets += "=null";
    }
  }
  sql = std::string("UPDATE ") + entity_->Name + " SET " + sets + " WHERE " + KeyConditions(*entity_);
  statement->ResetParameters();
  if (!SQL_SUCCEEDED(statement->Prepare(sql.c_str()))) return SetError(RecordSqlError, statement->GetDiagMessage());
  int position = 0;
  for (int i : filled) BindValue(*statement, position++, entity_->Attributes[i], fields_[i].CurrentValue());
  BindKey(*statement, *this, position, true);
  // An update that changes no row failed too: the server skipped the row.
  if (!SQL_SUCCEEDED(statement->Execute())) return SetError(RecordUpdateFailed, statement->GetDiagMessage());
  if (statement->RowCount() == 0) return SetError(RecordUpdateFailed, "no row changed");

  if (entity_->DependentRelCount > 0) RecalculateDependents();
  if (cascade == CascadeToChildren && keyChanged) {
    for (int r = 0; r < entity_->RelationshipCount; ++r) {
      TRelationship& rel = entity_->Relationships[r];
      if (!PointsToChildren(*entity_, rel) || rel.NoKeyCascade) continue;
      // Children whose own key holds this key keep their rows as they are.
      TEntity& child = *rel.ForeignEntity;
      bool keyInChildKey = false;
      for (int c = 0; c < child.AttributeCount && !keyInChildKey; ++c) {
        if (!child.Attributes[c].KeyPart) continue;
        for (int i = 0; i < entity_->AttributeCount && !keyInChildKey; ++i)
          keyInChildKey = IsKeyAttribute(entity_->Attributes[i]) &&
                          _stricmp(entity_->Attributes[i].Name, child.Attributes[c].PrimAttrName) == 0;
      }
      if (keyInChildKey) continue;
      std::vector<TKeyCascadeEntry> entries;
      for (int i = 0; i < entity_->AttributeCount; ++i)
        if (IsKeyAttribute(entity_->Attributes[i]))
          entries.push_back({&entity_->Attributes[i], nullptr, OldValue(fields_[i]), fields_[i].CurrentValue()});
      int status = GetStatus();
      CascadeKeyUpdate(&child, rel.Reverse, int(entries.size()), entries.data());
      if (status && IsOk()) SetStatus(status);
    }
  }
  store.FieldsCommitted();
  if (!statement_ || !ReadBackStoredRow(*statement_, *this))
    return SetError(RecordSqlError, statement_ ? statement_->GetDiagMessage() : "");
  DropStatement();
  UpdateDependents(dependents);
  OnAfterStore();
}
