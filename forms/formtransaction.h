// The bracket a form or list window puts around one store or delete: a connection of its
// own that starts, commits or rolls back when the model asks for transactions (the
// record's statements run in the record's own transaction), and the record's row locks.
// A bracket begun and never ended rolls back when it goes.
#pragma once

class TDBRecord;
class TOdbcConnection;

class TFormTransaction {
public:
  explicit TFormTransaction(TDBRecord* record);
  ~TFormTransaction();
  TFormTransaction(const TFormTransaction&) = delete;
  TFormTransaction& operator=(const TFormTransaction&) = delete;

  void Begin();
  void Commit() { End(true); }
  void Rollback() { End(false); }

private:
  void End(bool commit);
  TDBRecord* record_;
  TOdbcConnection* connection_ = nullptr;
  bool open_ = false;  // begun and not yet committed or rolled back
};
