// Record lists: the status, the entries of the index, fetching rows on demand and
// running the open query again.
#include "data/db/reclist.h"

#include <memory>

#include "data/core/strings.h"
#include "data/core/waitcursor.h"
#include "data/db/odbcstatement.h"
#include "data/db/recindex.h"
#include "data/db/recordsql.h"
#include "data/model/model.h"
#include "expr/errors.h"

TDBRecList::TDBRecList(const char* entityName) : TDBObject(entityName), root_(NewRecListLeaf()) {
  for (int i = 0; i < entity_->AttributeCount; ++i)
    if (IsKeyAttribute(entity_->Attributes[i])) ++keyCount_;
}

TDBRecList::~TDBRecList() {
  FreeEntries();
  delete root_;
}

void TDBRecList::Reset() {
  TDBObject::Reset();
  moreRows_ = 0;
  FreeEntries();
}

void TDBRecList::SetStatus(int code) {
  status_ = code;
  RecordListErrorState.SetErrorFromTable(code, RecordListErrors, "");
}

void TDBRecList::SetError(int code, const char* detail) {
  status_ = code;
  RecordListErrorState.SetErrorFromTable(code, RecordListErrors, detail);
}

void TDBRecList::FreeEntries() {
  IndexClear(root_);
  count_ = 0;
}

TOdbcStatement* TDBRecList::BeginQuery() {
  moreRows_ = 0;
  TOdbcStatement* statement = OpenStatement();
  if (!statement) SetStatus(RecListSqlError);
  return statement;
}

void TDBRecList::FetchFirstRow() {
  moreRows_ = 0;
  if (SQL_SUCCEEDED(statement_->Fetch())) {
    AppendFetchedRow();
  } else {
    statement_->CloseCursor();
  }
}

void TDBRecList::AppendFetchedRow() {
  std::unique_ptr<TDBRecord> record(NewListRecord(*entity_));
  if (!ReadStoredColumns(*statement_, *record, false)) {
    // A row that cannot be read ends the list here, as an error.
    moreRows_ = 0;
    statement_->CloseCursor();
    return SetStatus(RecListSqlError);
  }
  AddRecord(-1, record.get());
  // The list took the record unless it is full.
  if (status_ != RecListLimitExceeded) record.release();
  if (SQL_SUCCEEDED(statement_->Fetch())) {
    moreRows_ = 1;
  } else {
    moreRows_ = 0;
    statement_->CloseCursor();
  }
}

void TDBRecList::Requery() {
  TWaitCursor wait;
  SetStatus(RecListOk);
  FreeEntries();
  if (!statement_) return;
  if (moreRows_) statement_->CloseCursor();
  moreRows_ = 0;
  if (!SQL_SUCCEEDED(statement_->Execute())) {
    DropStatement();
    SetStatus(RecListSqlError);
    return;
  }
  FetchFirstRow();
}

bool TDBRecList::HasMore() {
  SetStatus(RecListOk);
  return moreRows_ != 0;
}

int TDBRecList::Count() {
  SetStatus(RecListOk);
  return count_;
}

TDBRecord* TDBRecList::GetRecord(int i) {
  SetStatus(RecListOk);
  if (i == count_ && moreRows_ && statement_) AppendFetchedRow();
  if (i < 0 || i >= count_) return nullptr;
  TRecListEntry* entry = IndexEntry(root_, i);
  if (entry->slot >= 0) return entry->record;
  return RebuildRecord(entry, entity_);
}

void TDBRecList::AddRecord(int position, TDBRecord* record) {
  SetStatus(RecListOk);
  if (maxRecords_ > 0 && count_ >= maxRecords_) {
    SetStatus(RecListLimitExceeded);
    return;
  }
  if (position < 0 || position > count_) position = count_;
  IndexInsert(&root_, position, record);
  ++count_;
}

void TDBRecList::RemoveRecord(int i) {
  SetStatus(RecListOk);
  if (i < 0 || i >= count_) return;
  IndexRemove(&root_, i);
  --count_;
}

void TDBRecList::SetMaxRecords(int n) {
  SetStatus(RecListOk);
  maxRecords_ = n;
}

int TDBRecList::IndexLevels() const { return IndexDepth(root_); }
