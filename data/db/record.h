// Records of the database model: the value of one field, the common base of records
// and record lists, and TDBRecord, one row of one entity.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/core/spareblocks.h"

struct TEntity;
struct TAttribute;
struct TRelationship;
class TExpression;
class TOdbcConnection;
class TOdbcStatement;
class TSqlDialect;

// Status codes of records (the texts are RecordErrors, expr/errors.h).
enum TDBRecordStatus : int {
  RecordOk = 0,
  RecordInvalidFieldName = 101,
  RecordSqlError = 102,
  RecordNoParent = 103,
  RecordInsertFailed = 104,
  RecordDoesNotExist = 105,
  RecordRelatedFound = 106,
  RecordCascadeFailed = 107,
  RecordDeleteFailed = 108,
  RecordCascadeTooDeep = 109,
  RecordMandatoryEmpty = 110,
  RecordChangedByOther = 111,
  RecordAlreadyExists = 112,
  RecordUpdateFailed = 113,
  RecordInvalidData = 114,
  RecordInvalidValue = 115,
  RecordFieldNotSet = 116,
};

// The detail of a record's error when a lock held elsewhere outlasted the bounded wait.
constexpr const char* DATABASE_BUSY_MESSAGE =
    "The database is busy: another window or program is writing. Please try again.";

// Status codes of record lists (the texts are RecordListErrors).
enum TDBRecListStatus : int {
  RecListOk = 0,
  RecListLimitExceeded = 150,
  RecListSqlError = 151,
  RecListUnknownRelationship = 152,
};

// The value of one attribute inside a record: the stored value (as read from or last
// written to the database) and the value edited or computed since. A shared field owns
// no texts: every operation acts on its target (targets are never shared themselves).
class TDBFieldValue {
public:
  enum : uint32_t { HasValue = 1, HasNewValue = 2, IsShared = 16 };

  TDBFieldValue();
  ~TDBFieldValue();
  TDBFieldValue(const TDBFieldValue&) = delete;
  // Both sides follow their links; copies flags and both texts.
  TDBFieldValue& operator=(const TDBFieldValue& other);

  // Unshared fields only: flags 0, both texts empty.
  void Clear();
  void MakeShared(TDBFieldValue* target);
  uint32_t Flags() const;
  void SetValue(const char* text);
  // The stored value is text itself, which lives in a block the record owns (no copy);
  // the field lets go of it at its next change.
  void SetBorrowedValue(const char* text);
  void SetNewValue(const char* text);
  const char* Value() const;
  const char* NewValue() const;
  // The new value when there is one, else the stored value.
  const char* CurrentValue() const;
  // Both values present and different, ignoring letter case.
  bool IsChanged() const;
  // The new value becomes the stored value.
  void Commit();

  // What a field holds, kept aside so that it can be given back (a failed store). The
  // texts are copies: a value borrowed from its record's row texts may not outlive them.
  struct TSaved {
    uint32_t flags = 0;
    std::string value, newValue;
  };
  // Both follow the field's link.
  void SaveTo(TSaved& saved) const;
  void RestoreFrom(const TSaved& saved);

private:
  TDBFieldValue* Self() { return (flags_ & IsShared) ? target_ : this; }
  const TDBFieldValue* Self() const { return (flags_ & IsShared) ? target_ : this; }

  // Lets go of the stored value (freed unless borrowed); it is empty then.
  void DropValue();

  uint32_t flags_ = 0;
  bool valueBorrowed_ = false;  // value_ lies in its record's block of row texts
  union {
    char* value_;
    TDBFieldValue* target_;
  };
  char* newValue_;
};

class TRecordTexts;

// Common base of TDBRecord and TDBRecList: the entity, the status and the statement of
// the current query with its connection.
class TDBObject {
public:
  // An unknown entity name is fatal ("Invalid entity: ").
  explicit TDBObject(const char* entityName);
  // An entity of the model, already found.
  explicit TDBObject(TEntity& entity);
  virtual ~TDBObject();
  TDBObject(const TDBObject&) = delete;
  TDBObject& operator=(const TDBObject&) = delete;

  virtual void Reset();
  virtual const char* GetEntityName() const;
  virtual TEntity* GetEntity() const;
  virtual int GetStatus() const;
  virtual bool IsOk() const;
  virtual TDBObject* SetForUpdate(bool lockRows);
  virtual bool GetForUpdate() const;
  virtual void SetStatus(int code);
  // Position of the model's entity of that name (any case), -1 when none.
  virtual int FindEntity(const char* name) const;
  // The statement forms of the database the object's statements go to (SQL Server's
  // when it cannot be reached), for conditions a caller writes for it.
  const TSqlDialect& QueryDialect() const;

protected:
  // Deletes the statement, then its connection, and nulls both.
  void DropStatement();
  // Drops an older pair, then opens a connection to the application database on the
  // program's environment and a statement on it, both kept in the object. Null when
  // the database cannot be reached (the object keeps nothing then).
  TOdbcStatement* OpenStatement();

  TEntity* entity_ = nullptr;
  int status_ = 0;
  // The connection before its statement: the statement goes first.
  std::unique_ptr<TOdbcConnection> connection_;
  std::unique_ptr<TOdbcStatement> statement_;
  bool forUpdate_ = false;
};

// An attribute of a record's entity, by position or by name (letter case ignored).
struct TAttrRef {
  TAttrRef(int position_) : position(position_) {}
  TAttrRef(const char* name_) : name(name_) {}
  bool IsName() const { return name != nullptr; }
  int position = -1;
  const char* name = nullptr;
};

// One key attribute of a parent whose key changed, handed to CascadeKeyUpdate.
struct TKeyCascadeEntry {
  TAttribute* keyAttribute;    // the parent's key attribute
  TAttribute* childAttribute;  // the child's foreign-key attribute (filled by the callee)
  const char* oldValue;
  const char* newValue;
};

// What Delete and Update do about child rows: refuse when there are any (status 106), or
// carry the change into them (delete them, or write the new key into their foreign keys).
enum TCascadeMode : int { RefuseIfChildren = 0, CascadeToChildren = 1 };
// Whether Insert and Update first make sure every parent row the record refers to exists.
enum TParentCheck : int { SkipParentCheck = 0, CheckParents = 1 };
// Steps of Navigate, in key order.
enum TNavigation : int { NavigateFirst = 0, NavigatePrevious = 1, NavigateNext = 2, NavigateLast = 3 };

// One row of one entity: a field per attribute, in the entity's attribute order. Every
// database operation opens a connection of its own; Insert, Update and Delete run with
// everything they cause (cascades, dependent records) in one transaction, committed at
// their end or rolled back on any failure.
class TDBRecord : public TDBObject {
public:
  explicit TDBRecord(const char* entityName);
  explicit TDBRecord(TEntity& entity);
  ~TDBRecord() override;
  static void* operator new(std::size_t size) { return TSpareBlocks<TDBRecord>::Take(size); }
  static void operator delete(void* block, std::size_t size) { TSpareBlocks<TDBRecord>::Give(block, size); }

  void Reset() override;
  // Stores the code and reports it on the record error channel (0 clears the channel).
  void SetStatus(int code) override;

  virtual void Assign(const TDBRecord& other);
  // The fields Assign copies, kept aside and given back (the status is left as it is).
  // saved is resized to the entity's attributes; its texts keep their room for the next use.
  void SaveFields(std::vector<TDBFieldValue::TSaved>& saved) const;
  void RestoreFields(const std::vector<TDBFieldValue::TSaved>& saved);
  virtual void Insert(TParentCheck parents);
  virtual void Delete(TCascadeMode cascade);
  virtual bool Exists();
  virtual bool IsKeyChanged();
  virtual bool IsModified();
  virtual bool HasSameKey(TDBRecord& other);
  virtual void Update(TCascadeMode cascade, TParentCheck parents);
  // Fills the stored values from the row with the current key.
  virtual void Read();
  virtual void Navigate(TNavigation step);

  virtual void SetNewValue(TAttrRef attribute, const char* text);
  virtual const char* GetValue(TAttrRef attribute);
  virtual void SetValue(TAttrRef attribute, const char* text);
  virtual const char* GetOldValue(TAttrRef attribute);
  virtual bool IsFieldChanged(TAttrRef attribute);

  virtual const char* GetCalculatedValue(TAttrRef attribute);
  virtual const char* EvaluateExpression(const char* text, int sqlType, int size, int digits);
  virtual const char* Evaluate(TExpression* expression, int sqlType, int size, int digits);
  virtual void RefreshCalculated();
  virtual void Recalculate();
  virtual void CalculateNonStored();

  // Stores the code and reports the table's text with the detail.
  virtual void SetError(int code, const char* detail);
  // Position of the attribute (-1 when a name is unknown); a position is returned as is.
  virtual int AttributeIndex(TEntity* entity, TAttrRef attribute);
  // As AttributeIndex, but only attributes that have a field value of their own or
  // share the real attribute's (stored, or with a real-attribute index); else -1.
  virtual int FieldIndex(TEntity* entity, TAttrRef attribute);

  virtual bool CheckParent(TRelationship* relationship);
  virtual void DeleteCascade(TCascadeMode cascade, int depth, TRelationship* arriving);
  virtual void CascadeKeyUpdate(TEntity* child, TRelationship* reverse, int count,
                                TKeyCascadeEntry* entries);
  virtual bool ApplyDefaults();
  virtual bool ApplyStoreDefaults();
  virtual bool Validate();
  virtual void RecalculateDependents();
  // One record per dependent relationship (null entries where none), or null when the
  // entity has no dependent relationships.
  virtual TDBRecord** SnapshotDependents();
  virtual void UpdateDependents(TDBRecord** dependents);
  virtual void FreeDependents(TDBRecord** dependents);
  virtual void ReadCalculatedColumns();
  virtual void OnBeforeStore();
  virtual void OnAfterStore();

  // The field of an attribute position (no range check) and the number of fields.
  TDBFieldValue& Field(int position) { return fields_[position]; }
  int FieldCount() const;
  // Sets the stored values of the stored attributes from texts, which holds one text for
  // each of them in order, each ended by its NUL, size bytes in all; each field is
  // cleared first. The texts are copied into one block the record keeps (a row read
  // costs one allocation, not one per column).
  void SetStoredValues(const char* texts, size_t size);
  // Back to what NewDBRecord makes for its entity (no values, status, statement or row
  // locks), the room of its fields kept; the error channel is left as it is.
  void MakeFresh();
  // The statement texts of the record's entity, made on first use and kept: a record
  // that is read or stored again sends the same texts.
  TRecordTexts& Texts();

protected:
  TDBFieldValue* fields_ = nullptr;

private:
  void MakeFields();
  // The field of an attribute with its own value; null after reporting 101 (the status
  // is cleared first, as every field access does).
  TDBFieldValue* FieldOrReport(TAttrRef attribute);
  char* rowTexts_ = nullptr;  // the block of the last SetStoredValues
  std::unique_ptr<TRecordTexts> texts_;
};

// The one factory of records; the caller owns the record. The form by entity spares
// the search by name (record lists make a record per row).
TDBRecord* NewDBRecord(const char* entityName);
TDBRecord* NewDBRecord(TEntity& entity);

// Terms shared by the record classes.
// A stored attribute has a column in the entity's table (it is not a shadow).
bool IsStoredAttribute(const TAttribute& attribute);
// A key attribute is a key part without a real-attribute index.
bool IsKeyAttribute(const TAttribute& attribute);
