#include "data/db/recordtxn.h"

#include <string>

#include "data/db/database.h"
#include "data/db/dialect.h"
#include "data/db/odbcstatement.h"

namespace {
bool failed = false;
std::string failedDetail;

// A server that aborts a transaction at its first failed statement answers a commit
// with a silent rollback; a statement after it shows the abort (the reason is kept).
bool TransactionStillOpen(TOdbcConnection& connection) {
  if (!connection.Dialect().AbortsTransactionOnError()) return true;
  TOdbcStatement probe(&connection);
  if (!SQL_SUCCEEDED(probe.ExecDirect("SELECT 1"))) {
    failedDetail = probe.GetDiagMessage();
    return false;
  }
  probe.CloseCursor();
  return true;
}

}  // namespace

TRecordTransaction::TRecordTransaction() {
  if (!OdbcEnvironment || OdbcEnvironment->SharedConnection()) return;
  TOdbcConnection* connection = new TOdbcConnection(OdbcEnvironment, 1, DatabaseName);
  if (!connection->IsConnected() || !SQL_SUCCEEDED(connection->SetAutoCommit(false))) {
    // The operation's own connection fails the same way and says so.
    delete connection;
    return;
  }
  connection_ = connection;
  failed = false;
  failedDetail.clear();
  OdbcEnvironment->ShareConnection(connection_);
}

TRecordTransaction::~TRecordTransaction() { Finish(false); }

bool TRecordTransaction::IsActive() { return OdbcEnvironment && OdbcEnvironment->SharedConnection(); }

void TRecordTransaction::MarkFailed(const char* detail) {
  if (!IsActive() || failed) return;
  failed = true;
  failedDetail = detail ? detail : "";
}

bool TRecordTransaction::Finish(bool succeeded) {
  if (!connection_) return true;
  OdbcEnvironment->ShareConnection(nullptr);
  bool committed = false;
  if (!succeeded) {
    failure_ = "";
  } else if (failed) {
    failure_ = failedDetail.c_str();
  } else if (!TransactionStillOpen(*connection_)) {
    failure_ = failedDetail.c_str();
  } else {
    committed = SQL_SUCCEEDED(connection_->Commit());
    if (!committed) {
      failedDetail = connection_->GetDiagMessage();
      failure_ = failedDetail.c_str();
    }
  }
  if (!committed) connection_->Rollback();
  connection_->SetAutoCommit(true);
  delete connection_;
  connection_ = nullptr;
  failed = false;
  return committed;
}
