// TDBObject, the common base of records and record lists: entity, status, statement.
#include <cstring>

#include "data/core/messages.h"
#include "data/core/strings.h"
#include "data/db/database.h"
#include "data/db/dialect.h"
#include "data/db/odbcstatement.h"
#include "data/db/record.h"
#include "data/model/model.h"

TDBObject::TDBObject(const char* entityName) {
  int position = FindEntity(entityName);
  if (position < 0) FatalError("Invalid entity: ", entityName ? entityName : "");
  entity_ = &TheModel.Entities[position];
}

TDBObject::TDBObject(TEntity& entity) : entity_(&entity) {}

TDBObject::~TDBObject() { DropStatement(); }

void TDBObject::Reset() {
  forUpdate_ = false;
  DropStatement();
  SetStatus(0);
}

const char* TDBObject::GetEntityName() const { return entity_ ? entity_->Name : "?"; }
TEntity* TDBObject::GetEntity() const { return entity_; }
int TDBObject::GetStatus() const { return status_; }
bool TDBObject::IsOk() const { return status_ == 0; }

TDBObject* TDBObject::SetForUpdate(bool lockRows) {
  forUpdate_ = lockRows;
  return this;
}

bool TDBObject::GetForUpdate() const { return forUpdate_; }
void TDBObject::SetStatus(int code) { status_ = code; }

int TDBObject::FindEntity(const char* name) const {
  if (!name) return -1;
  for (int i = 0; i < TheModel.EntityCount; ++i)
    if (SameNameIgnoringCase(TheModel.Entities[i].Name, name)) return i;
  return -1;
}

void TDBObject::DropStatement() {
  statement_.reset();
  connection_.reset();
}

const TSqlDialect& TDBObject::QueryDialect() const {
  if (statement_ && connection_) return connection_->Dialect();
  if (OdbcEnvironment) {
    TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
    if (connection.IsConnected()) return connection.Dialect();
  }
  return TSqlDialect::Of(TSqlDialect::SqlServer);
}

TOdbcStatement* TDBObject::OpenStatement() {
  DropStatement();
  if (!OdbcEnvironment) return nullptr;
  connection_ = std::make_unique<TOdbcConnection>(OdbcEnvironment, 1, DatabaseName);
  if (connection_->IsConnected()) {
    statement_ = std::make_unique<TOdbcStatement>(connection_.get());
    if (statement_->Handle() != SQL_NULL_HANDLE) return statement_.get();
  }
  DropStatement();
  return nullptr;
}
