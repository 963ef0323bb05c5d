// Database tests of the record classes: a model built in memory and linked, its tables
// created on the test database, the program's environment pointed at it, and the SQL
// trace captured in a folder of the test's own.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/scratch_dir.h"
#include "support/test_db.h"
#include "support/test_model.h"

struct TAttribute;
struct TDataModel;
struct TEntity;
struct TRelationship;

// Model lookups that fail the test (and return a safe dummy) when the name is missing.
TEntity& ModelEntity(const char* entity);
TAttribute& ModelAttribute(const char* entity, const char* attribute);
TRelationship& ModelRelationship(const char* entity, const char* relationship);

// Key, mandatory and relationship flags, set before the model is linked.
struct TModelFlags {
  std::vector<std::pair<std::string, std::string>> keys;       // entity, attribute
  std::vector<std::pair<std::string, std::string>> mandatory;  // entity, attribute
  std::vector<std::pair<std::string, std::string>> noKeyCascade;  // entity, relationship (bool 86)
  std::vector<std::pair<std::string, std::string>> parentRequired;  // entity, relationship (bool 85)
};

class RecordDatabaseTest : public DatabaseTest {
protected:
  void SetUp() override;
  void TearDown() override;

  // Lays the entities out in the program's model, applies the flags and links it.
  void UseModel(const std::vector<TEntitySpec>& entities, const TModelFlags& flags);
  // The counter model below with its keys, and its table ORDERS (still empty).
  void UseCounterModel();

  // The statements prepared from now on (the trace lines without "Preparing: ").
  void StartTrace();
  std::vector<std::string> TracedStatements();
  void StopTrace();

private:
  TScratchDir traceDir_{"rectrace"};
  char previousDir_[260] = "";
};

// A parent row that counts its children: ORDERS(ORDER_ID, LAST_LINE) 1-n LINES(ORDER_ID,
// LINE_NO), LINES.ORDER_ID the foreign key of relationship "order".
std::vector<TEntitySpec> CounterModel();
