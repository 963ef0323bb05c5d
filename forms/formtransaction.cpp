// The bracket of one store or delete on a connection of the window's own.
#include "forms/formtransaction.h"

#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"

TFormTransaction::TFormTransaction(TDBRecord* record) : record_(record) {
  if (OdbcEnvironment) connection_ = new TOdbcConnection(OdbcEnvironment, 1, DatabaseName);
}

TFormTransaction::~TFormTransaction() {
  if (open_) End(false);
  delete connection_;
}

void TFormTransaction::Begin() {
  if (!TheModel.UseTransactions) return;
  if (connection_) connection_->StartTransaction();
  record_->SetForUpdate(UseForUpdateClause != 0);
  open_ = true;
}

void TFormTransaction::End(bool commit) {
  if (!TheModel.UseTransactions) return;
  open_ = false;
  if (connection_) commit ? connection_->Commit() : connection_->Rollback();
  record_->SetForUpdate(false);
}
