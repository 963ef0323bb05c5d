// Record lists: the records of one entity that a query returned, turned into TDBRecord
// objects on demand and kept in a paged index over the one shared record cache.
#pragma once

#include <string>
#include <vector>

#include "data/db/record.h"

// A value bound to one '?' of a caller's clause, with the SQL type it is bound as.
struct TClauseValue {
  int sqlType;
  long size;
  int digits;
  std::string text;
};

// A node of the paged index: 32 entries, each a leaf entry or a child node.
struct TRecListNode;

class TDBRecList : public TDBObject {
public:
  explicit TDBRecList(const char* entityName);
  ~TDBRecList() override;

  void Reset() override;
  // Stores the code and reports it on the record-list error channel (0 clears it).
  void SetStatus(int code) override;
  void SetError(int code, const char* detail);

  // The records related to record through its relationship of that name.
  void SelectRelated(const char* relationshipName, TDBRecord* record);
  // Query by example: one criterion per filled field of the template. 1 or 0.
  int SelectByExample(const char* orderText, TDBRecord* example);
  // 0: some criterion is on an indexed attribute, 1: criteria but none indexed, 2: none.
  int ClassifyFindCriteria(TDBRecord* example);
  // A caller's WHERE or ORDER clause, or a filter expression evaluated for record.
  void SelectWhere(const char* clause, const char* filterText, TDBRecord* record);
  // The same with the clause's '?' markers bound to the values, in order.
  void SelectWhere(const char* clause, const char* filterText, TDBRecord* record,
                   const std::vector<TClauseValue>& values);
  // Runs the open query again with its bound parameters.
  void Requery();

  bool HasMore();
  int Count();
  // The record at position i (fetching the next row when i is the count and rows are
  // pending), or null. The list keeps the record.
  TDBRecord* GetRecord(int i);
  // Inserts at position (-1 or beyond the count: the end); the list takes the record.
  void AddRecord(int position, TDBRecord* record);
  void RemoveRecord(int i);
  // 0 = no maximum.
  void SetMaxRecords(int n);
  // Levels of the paged index: 1 up to 32 records, 2 up to 1024, ...
  int IndexLevels() const;

private:
  void FreeEntries();
  // After a query ran: appends its first row when there is one, then looks ahead.
  void FetchFirstRow();
  // Appends the row the cursor stands on as a new record, then fetches the next one: the
  // more-rows flag says whether it came (the cursor is closed when it did not).
  void AppendFetchedRow();
  // Drops an older query and opens a new statement; null (status 151) without one.
  TOdbcStatement* BeginQuery();

  int keyCount_ = 0;
  TRecListNode* root_ = nullptr;
  int moreRows_ = 0;
  int count_ = 0;
  int maxRecords_ = 0;
};

// The shared record cache: allocated once at start-up after the settings are read,
// freed with the temporary string pool at exit.
void AllocRecListCache();
void FreeGlobalCaches();
