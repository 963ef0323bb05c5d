// The record test fixture: a linked in-memory model, its tables and the SQL trace.
#include "support/record_test_db.h"

#include <windows.h>

#include <cstring>
#include <sstream>

#include "data/db/database.h"
#include "data/db/sqltrace.h"
#include "data/model/model.h"

namespace {
TEntity dummyEntity;
TAttribute dummyAttribute;
TRelationship dummyRelationship;
}  // namespace

TEntity& ModelEntity(const char* entity) {
  TEntity* found = TheModel.FindEntity(entity);
  if (found) return *found;
  ADD_FAILURE() << "no entity " << entity;
  return dummyEntity;
}

TAttribute& ModelAttribute(const char* entity, const char* attribute) {
  TAttribute* found = ModelEntity(entity).FindAttribute(attribute);
  if (found) return *found;
  ADD_FAILURE() << "no attribute " << entity << "." << attribute;
  return dummyAttribute;
}

TRelationship& ModelRelationship(const char* entity, const char* relationship) {
  TRelationship* found = ModelEntity(entity).FindRelationship(relationship);
  if (found) return *found;
  ADD_FAILURE() << "no relationship " << entity << "." << relationship;
  return dummyRelationship;
}

void RecordDatabaseTest::SetUp() {
  DatabaseTest::SetUp();
  OdbcEnvironment = Env();
  strcpy(DatabaseName, "vorn_test");
  GetCurrentDirectoryA(sizeof previousDir_, previousDir_);
}

void RecordDatabaseTest::TearDown() {
  StopTrace();
  OdbcEnvironment = nullptr;
  DatabaseName[0] = '\0';
  TheModel.Clear();
  DatabaseTest::TearDown();
}

void RecordDatabaseTest::UseModel(const std::vector<TEntitySpec>& entities, const TModelFlags& flags) {
  BuildModel(TheModel, entities);
  for (auto& [entity, attribute] : flags.keys) ModelAttribute(entity.c_str(), attribute.c_str()).KeyPart = 1;
  for (auto& [entity, attribute] : flags.mandatory) ModelAttribute(entity.c_str(), attribute.c_str()).Mandatory = 1;
  for (auto& [entity, rel] : flags.noKeyCascade) ModelRelationship(entity.c_str(), rel.c_str()).NoKeyCascade = 1;
  for (auto& [entity, rel] : flags.parentRequired) ModelRelationship(entity.c_str(), rel.c_str()).ParentRequired = 1;
  TheModel.LinkAndValidate();
}

void RecordDatabaseTest::StartTrace() {
  SetCurrentDirectoryA(traceDir_.path().c_str());
  DeleteFileA(traceDir_.File("SQLSPY.LOG").c_str());
  SqlSpyFlag = true;
}

std::vector<std::string> RecordDatabaseTest::TracedStatements() {
  std::istringstream in(TScratchDir::Read(traceDir_.File("SQLSPY.LOG")));
  std::vector<std::string> statements;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("Preparing: ", 0) == 0) statements.push_back(line.substr(11));
  }
  return statements;
}

void RecordDatabaseTest::StopTrace() {
  SqlSpyFlag = false;
  if (previousDir_[0]) SetCurrentDirectoryA(previousDir_);
}

void RecordDatabaseTest::UseCounterModel() {
  TModelFlags flags;
  flags.keys = {{"ORDERS", "ORDER_ID"}, {"LINES", "ORDER_ID"}, {"LINES", "LINE_NO"}};
  UseModel(CounterModel(), flags);
  Db().Exec("CREATE TABLE ORDERS (ORDER_ID INTEGER PRIMARY KEY, LAST_LINE INTEGER)");
}

std::vector<TEntitySpec> CounterModel() {
  TEntitySpec orders{"ORDERS", {{"ORDER_ID", "INTEGER"}, {"LAST_LINE", "INTEGER"}}, {}};
  orders.relationships.push_back({"lines", "LINES", "order", "ORDERS", "LINES", 1, ""});
  TEntitySpec lines{"LINES", {{"ORDER_ID", "INTEGER"}, {"LINE_NO", "INTEGER"}}, {}};
  lines.attributes[0].foreignRel = "order";
  lines.attributes[0].primAttr = "ORDER_ID";
  lines.relationships.push_back({"order", "ORDERS", "lines", "ORDERS", "LINES", 0, ""});
  return {orders, lines};
}
