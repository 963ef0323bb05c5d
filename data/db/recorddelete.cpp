// Deleting a record with its related rows, and the key cascade of an update.
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

namespace {

constexpr int MaxCascadeDepth = 10;

bool PointsToChildren(const TEntity& entity, const TRelationship& r) {
  return r.PrimaryEntity == &entity && (r.PrimaryEntity != r.ForeignEntity || r.ToMany);
}

// Children are deleted one by one (each with its own cascade and recalculations) unless
// a single statement can do it: without cascade, or when a child has children itself or
// other records depend on it.
bool DeleteRowByRow(TCascadeMode cascade, const TEntity& child, const TRelationship* reverse) {
  if (cascade == RefuseIfChildren) return true;
  for (int r = 0; r < child.RelationshipCount; ++r)
    if (child.Relationships[r].PrimaryEntity == &child) return true;
  return child.DependentRelCount > 0 && !(child.DependentRelCount == 1 && child.DependentRels[0] == reverse);
}

}  // namespace

void TDBRecord::CascadeKeyUpdate(TEntity* child, TRelationship* reverse, int count, TKeyCascadeEntry* entries) {
  TWaitCursor wait;
  std::string sets, columns;
  std::vector<TKeyCascadeEntry*> used;
  for (int e = 0; e < count; ++e) {
    entries[e].childAttribute = nullptr;
    for (int i = 0; i < child->AttributeCount; ++i) {
      TAttribute& a = child->Attributes[i];
      if (a.ForeignRel == reverse && a.PrimAttr == entries[e].keyAttribute) {
        entries[e].childAttribute = &a;
        break;
      }
    }
    // A key part without a foreign key in the child has nothing to follow it.
    if (!entries[e].childAttribute) continue;
    if (!used.empty()) {
      sets += ",";
      columns += ",";
    }
    sets += std::string(entries[e].childAttribute->Name) + "=?";
    columns += entries[e].childAttribute->Name;
    used.push_back(&entries[e]);
  }
  if (used.empty()) return;
  std::string sql = std::string("UPDATE ") + child->Name + " SET " + sets + " WHERE " + EqualConditions(columns);
  bool own = statement_ == nullptr;
  if (own && !OpenStatement()) return SetStatus(RecordSqlError);
  TOdbcStatement& statement = *statement_;
  statement.CloseCursor();
  statement.ResetParameters();
  SQLRETURN rc = statement.Prepare(sql.c_str());
  if (SQL_SUCCEEDED(rc)) {
    const int n = int(used.size());
    for (int e = 0; e < n; ++e) {
      BindValue(statement, e, *used[e]->childAttribute, used[e]->newValue);
      BindValue(statement, n + e, *used[e]->childAttribute, used[e]->oldValue);
    }
    rc = statement.Execute();
  }
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) SetError(RecordSqlError, statement.GetDiagMessage());
  if (own) DropStatement();
}

void TDBRecord::Delete(TCascadeMode cascade) {
  // One wait cursor for the whole operation: the steps inside it change nothing.
  TWaitCursor wait;
  TRecordTransaction transaction;
  DeleteCascade(cascade, 0, nullptr);
  if (!transaction.IsOutermost()) return;
  int status = GetStatus();
  if (!transaction.Finish(IsOk()) && status == 0) SetError(RecordDeleteFailed, transaction.Failure());
}

namespace {

// The steps of a delete, each false after setting the record's status.

// The fields through which the records that depend on this one are found again hold a
// value (116 naming the first that does not).
bool DependentLinksSet(TDBRecord& record) {
  const TEntity& entity = *record.GetEntity();
  for (int i = 0; i < entity.AttributeCount; ++i) {
    const TAttribute& a = entity.Attributes[i];
    if (a.ForeignRel && entity.HasDependentRelationship(a.ForeignRel) &&
        !(record.Field(i).Flags() & (TDBFieldValue::HasValue | TDBFieldValue::HasNewValue))) {
      record.SetError(RecordFieldNotSet, a.Caption);
      return false;
    }
  }
  return true;
}

// The row of the key exists (105 when not); the test takes no row lock.
bool RowExists(TDBRecord& record) {
  const bool forUpdate = record.GetForUpdate();
  record.SetForUpdate(false);
  const bool exists = record.Exists();
  record.SetForUpdate(forUpdate);
  if (!record.IsOk()) return false;
  if (!exists) record.SetStatus(RecordDoesNotExist);
  return exists;
}

// The child rows of one relationship: the condition on the child's foreign keys and the
// parent's fields whose values they hold, in order.
struct TChildRows {
  std::string conditions;
  std::vector<int> parentFields;
};

TChildRows ChildRowsOf(TDBRecord& record, const TEntity& child, const TRelationship* reverse) {
  TChildRows rows;
  TEntity& entity = *record.GetEntity();
  for (int i = 0; i < child.AttributeCount; ++i) {
    const TAttribute& a = child.Attributes[i];
    if (a.ForeignRel != reverse) continue;
    int parent = entity.AttributeIndex(a.PrimAttr);
    if (parent < 0) FatalError("Inconsistency - primattr index not found", "");
    if (!rows.conditions.empty()) rows.conditions += " AND ";
    rows.conditions += std::string(a.Name) + "=?";
    rows.parentFields.push_back(parent);
  }
  return rows;
}

// Prepares sql on the statement and binds the parent's key values of rows.
bool PrepareForChildRows(TDBRecord& record, TOdbcStatement& statement, const std::string& sql,
                         const TChildRows& rows) {
  statement.ResetParameters();
  if (!SQL_SUCCEEDED(statement.Prepare(sql.c_str()))) {
    record.SetStatus(RecordSqlError);
    return false;
  }
  const TEntity& entity = *record.GetEntity();
  int position = 0;
  for (int parent : rows.parentFields)
    BindValue(statement, position++, entity.Attributes[parent], record.Field(parent).CurrentValue());
  return true;
}

// Deletes the child rows of one relationship in one statement (107 naming it on failure).
bool DeleteChildRowsAtOnce(TDBRecord& record, TOdbcStatement& statement, const TRelationship& rel,
                           const TChildRows& rows) {
  std::string sql = std::string("DELETE FROM ") + rel.ForeignEntity->Name + " WHERE " + rows.conditions;
  if (!PrepareForChildRows(record, statement, sql, rows)) return false;
  SQLRETURN rc = statement.Execute();
  if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return true;
  record.SetError(RecordCascadeFailed, rel.Name);
  return false;
}

// The child records of one relationship with the values their own delete needs (key and
// dependent links), all read before the first is deleted, so no delete runs under an
// open cursor. Without cascade, a child refuses the delete (106).
bool ReadChildRecords(TDBRecord& record, TOdbcStatement& statement, TCascadeMode cascade, const TRelationship& rel,
                      const TChildRows& rows, std::vector<std::unique_ptr<TDBRecord>>& children) {
  TEntity& child = *rel.ForeignEntity;
  std::string columns;
  std::vector<int> selected;
  for (int i = 0; i < child.AttributeCount; ++i) {
    const TAttribute& a = child.Attributes[i];
    if (!IsStoredAttribute(a)) continue;
    if (!a.KeyPart && !(a.ForeignRel && child.HasDependentRelationship(a.ForeignRel))) continue;
    if (!columns.empty()) columns += ",";
    columns += a.Name;
    selected.push_back(i);
  }
  std::string sql = "SELECT " + columns + " FROM " + child.Name + " WHERE " + rows.conditions;
  if (!PrepareForChildRows(record, statement, sql, rows)) return false;
  if (!SQL_SUCCEEDED(statement.Execute())) {
    record.SetStatus(RecordSqlError);
    return false;
  }
  TTempString text;
  for (SQLRETURN rc = statement.Fetch(); SQL_SUCCEEDED(rc); rc = statement.Fetch()) {
    if (cascade == RefuseIfChildren) {
      statement.CloseCursor();
      record.SetError(RecordRelatedFound, rel.Name);
      return false;
    }
    children.emplace_back(NewDBRecord(child));
    for (size_t c = 0; c < selected.size(); ++c) {
      // A key that cannot be read would delete the wrong rows: the read fails the delete.
      statement.GetData(int(c), text, TEMP_STRING_SIZE);
      if (!statement.IsSuccess()) {
        record.SetError(RecordSqlError, statement.GetDiagMessage());
        return false;
      }
      children.back()->SetNewValue(selected[c], text);
    }
  }
  statement.CloseCursor();
  return true;
}

}  // namespace

void TDBRecord::DeleteCascade(TCascadeMode cascade, int depth, TRelationship* arriving) {
  if (depth >= MaxCascadeDepth) return SetStatus(RecordCascadeTooDeep);
  SetStatus(0);
  if (!DependentLinksSet(*this) || !RowExists(*this)) return;

  TWaitCursor wait;
  TAtExit cleanup([this] { DropStatement(); });
  TOdbcStatement* statement = OpenStatement();
  if (!statement) return SetStatus(RecordSqlError);

  for (int r = 0; r < entity_->RelationshipCount; ++r) {
    TRelationship& rel = entity_->Relationships[r];
    if (!PointsToChildren(*entity_, rel)) continue;
    TChildRows rows = ChildRowsOf(*this, *rel.ForeignEntity, rel.Reverse);
    if (rows.parentFields.empty()) continue;
    if (!DeleteRowByRow(cascade, *rel.ForeignEntity, rel.Reverse)) {
      if (!DeleteChildRowsAtOnce(*this, *statement, rel, rows)) return;
      continue;
    }
    std::vector<std::unique_ptr<TDBRecord>> children;
    if (!ReadChildRecords(*this, *statement, cascade, rel, rows, children)) return;
    for (auto& record : children) {
      record->DeleteCascade(cascade, depth + 1, &rel);
      if (record->GetStatus() == RecordCascadeTooDeep) return SetStatus(RecordCascadeTooDeep);
      if (!record->IsOk()) return SetError(RecordCascadeFailed, rel.Name);
    }
  }

  std::string sql = std::string("DELETE FROM ") + entity_->Name + " WHERE " + KeyConditions(*entity_);
  statement->ResetParameters();
  if (!SQL_SUCCEEDED(statement->Prepare(sql.c_str()))) return SetStatus(RecordSqlError);
  BindKey(*statement, *this, 0, false);
  // A delete that removes no row failed too: the row is gone or the server skipped it.
  if (!SQL_SUCCEEDED(statement->Execute()) || statement->RowCount() == 0) return SetStatus(RecordDeleteFailed);
  DropStatement();
  // A parent being deleted through this cascade is not recalculated.
  if (entity_->DependentRelCount > 0 &&
      !(entity_->DependentRelCount == 1 && arriving && entity_->DependentRels[0] == arriving->Reverse))
    RecalculateDependents();
}
