// Database test fixtures: every database test runs against a fresh SQLite file and
// against a private schema of the PostgreSQL test server (VORN_PG_PORT), both reached
// through the program's own connection plan.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "support/scratch_dir.h"

// The Unix path of a Windows path (the SQLite driver is a native Linux library).
std::string UnixPath(const std::string& windowsPath);

// A test database of one kind: its ODBC connection string and a way to run set-up SQL.
class TTestDatabase {
public:
  // kind: "SQLite" or "PostgreSQL". Fails the current test when the server's connection
  // string is missing.
  explicit TTestDatabase(const std::string& kind);
  ~TTestDatabase();
  TTestDatabase(const TTestDatabase&) = delete;
  TTestDatabase& operator=(const TTestDatabase&) = delete;

  const std::string& kind() const { return kind_; }
  const std::string& ConnectString() const { return connectString_; }
  bool IsPostgres() const { return kind_ == "PostgreSQL"; }
  // Runs statements on a connection of their own (autocommit); fails the test on error.
  void Exec(const std::string& sql) const;
  // The first column of the first row of a query, as text ("<null>" for NULL, "<none>"
  // without a row).
  std::string Query(const std::string& sql) const;

private:
  std::string kind_;
  std::string connectString_;
  std::string schema_;
  std::string server_;  // PostgreSQL: the plan's connection, outside the private schema
  TScratchDir dir_{"vorndb"};
};

// Parameterised fixture: GetParam() is the database kind.
class DatabaseTest : public ::testing::TestWithParam<std::string> {
protected:
  void SetUp() override;
  void TearDown() override;
  // An environment that remembers the database's completed connection string, as the
  // program's start-up leaves it.
  TOdbcEnv* Env() const { return env_; }
  TTestDatabase& Db() const { return *db_; }

  TTestDatabase* db_ = nullptr;
  TOdbcEnv* env_ = nullptr;
};

#define INSTANTIATE_DATABASE_TESTS(Fixture)                                          \
  INSTANTIATE_TEST_SUITE_P(Databases, Fixture,                                       \
                           ::testing::Values(std::string("SQLite"),                  \
                                             std::string("PostgreSQL")),             \
                           [](const ::testing::TestParamInfo<std::string>& info) {   \
                             return info.param;                                      \
                           })
