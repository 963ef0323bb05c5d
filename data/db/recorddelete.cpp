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

void TDBRecord::DeleteCascade(TCascadeMode cascade, int depth, TRelationship* arriving) {
  if (depth >= MaxCascadeDepth) return SetStatus(RecordCascadeTooDeep);
  SetStatus(0);
  // The records that depend on this one are found again through these fields.
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (a.ForeignRel && entity_->HasDependentRelationship(a.ForeignRel) &&
        !(fields_[i].Flags() & (TDBFieldValue::HasValue | TDBFieldValue::HasNewValue)))
      return SetError(RecordFieldNotSet, a.Caption);
  }
  const bool forUpdate = forUpdate_;
  forUpdate_ = false;
  bool exists = Exists();
  forUpdate_ = forUpdate;
  if (!IsOk()) return;
  if (!exists) return SetStatus(RecordDoesNotExist);

  TWaitCursor wait;
  TAtExit cleanup([this] { DropStatement(); });
  TOdbcStatement* statement = OpenStatement();
  if (!statement) return SetStatus(RecordSqlError);

  for (int r = 0; r < entity_->RelationshipCount; ++r) {
    TRelationship& rel = entity_->Relationships[r];
    if (!PointsToChildren(*entity_, rel)) continue;
    TEntity& child = *rel.ForeignEntity;
    TRelationship* reverse = rel.Reverse;

    // The child's rows of this record: its foreign keys of the reverse relationship.
    std::string conditions;
    std::vector<int> parentFields;
    for (int i = 0; i < child.AttributeCount; ++i) {
      const TAttribute& a = child.Attributes[i];
      if (a.ForeignRel != reverse) continue;
      int parent = entity_->AttributeIndex(a.PrimAttr);
      if (parent < 0) FatalError("Inconsistency - primattr index not found", "");
      if (!conditions.empty()) conditions += " AND ";
      conditions += std::string(a.Name) + "=?";
      parentFields.push_back(parent);
    }
    if (parentFields.empty()) continue;
    auto bindParentKey = [&] {
      statement->ResetParameters();
      int position = 0;
      for (int parent : parentFields)
        BindValue(*statement, position++, entity_->Attributes[parent], fields_[parent].CurrentValue());
    };

    if (!DeleteRowByRow(cascade, child, reverse)) {
      std::string sql = std::string("DELETE FROM ") + child.Name + " WHERE " + conditions;
      statement->ResetParameters();
      if (!SQL_SUCCEEDED(statement->Prepare(sql.c_str()))) return SetStatus(RecordSqlError);
      bindParentKey();
      SQLRETURN rc = statement->Execute();
      if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) return SetError(RecordCascadeFailed, rel.Name);
      continue;
    }

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
    std::string sql = "SELECT " + columns + " FROM " + child.Name + " WHERE " + conditions;
    statement->ResetParameters();
    if (!SQL_SUCCEEDED(statement->Prepare(sql.c_str()))) return SetStatus(RecordSqlError);
    bindParentKey();
    if (!SQL_SUCCEEDED(statement->Execute())) return SetStatus(RecordSqlError);
    // All rows are read before the first is deleted, so no delete runs under an open cursor.
    std::vector<std::unique_ptr<TDBRecord>> children;
    TTempString text;
    for (SQLRETURN rc = statement->Fetch(); SQL_SUCCEEDED(rc); rc = statement->Fetch()) {
      if (cascade == RefuseIfChildren) {
        statement->CloseCursor();
        return SetError(RecordRelatedFound, rel.Name);
      }
      children.emplace_back(NewDBRecord(child.Name));
      for (size_t c = 0; c < selected.size(); ++c) {
        statement->GetData(int(c), text, TEMP_STRING_SIZE);
        children.back()->SetNewValue(selected[c], text);
      }
    }
    statement->CloseCursor();
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
