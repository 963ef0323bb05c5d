// The one transaction of a top-level record operation (insert, update, delete with
// their cascades and dependent recalculations): all of it is written or none of it.
#pragma once

#include <memory>

class TOdbcConnection;

class TRecordTransaction {
public:
  // The outermost scope connects, switches autocommit off and shares the connection on
  // the program's environment, so that every connection the nested records, record
  // lists and expressions open joins it. Inner scopes take part in the open one.
  TRecordTransaction();
  // An outermost scope not finished rolls back.
  ~TRecordTransaction();
  TRecordTransaction(const TRecordTransaction&) = delete;
  TRecordTransaction& operator=(const TRecordTransaction&) = delete;

  bool IsOutermost() const { return connection_ != nullptr; }
  // Outermost: commits when the operation succeeded and nothing inside failed, else
  // rolls back; false when the work is not committed, with the reason in Failure().
  // Inner scopes: true.
  bool Finish(bool succeeded);
  const char* Failure() const { return failure_; }

  // True while an operation's transaction is open.
  static bool IsActive();
  // A statement of the open transaction failed (a nested operation that does not pass
  // its failure on): the transaction is rolled back at its end. detail says why.
  static void MarkFailed(const char* detail);

private:
  std::unique_ptr<TOdbcConnection> connection_;  // the outermost scope's own
  const char* failure_ = "";
};
