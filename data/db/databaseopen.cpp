// Proving the server, opening and creating the application database (see databaseopen.h).
#include "data/db/databaseopen.h"

#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"

namespace {

void Tell(std::string* diagnostic, const char* message) {
  if (diagnostic) *diagnostic = message;
}

// A bare connection with the string; the environment remembers the completed form.
// The driver's own autocommit is kept, as for every connection of the program.
bool ConnectWith(TOdbcEnv* env, const std::string& connect, std::string* diagnostic) {
  TOdbcConnection connection(env);
  if (SQL_SUCCEEDED(connection.DriverConnect(connect.c_str(), ODBC_KEEP_AUTOCOMMIT))) return true;
  Tell(diagnostic, connection.GetDiagMessage());
  return false;
}

// Runs the statements in order on a connection made again from the remembered server
// string, in autocommit (CREATE DATABASE refuses to run inside a transaction).
bool RunOnServer(TOdbcEnv* env, const std::vector<std::string>& statements, std::string* diagnostic) {
  TOdbcConnection connection(env, 1);
  if (!connection.IsConnected()) {
    Tell(diagnostic, connection.GetDiagMessage());
    return false;
  }
  if (!connection.IsAutoCommit()) connection.SetAutoCommit(true);
  TOdbcStatement statement(&connection);
  for (const std::string& sql : statements) {
    if (!SQL_SUCCEEDED(statement.ExecDirect(sql.c_str()))) {
      Tell(diagnostic, statement.GetDiagMessage());
      return false;
    }
    statement.CloseCursor();
  }
  return true;
}

}  // namespace

bool ProveServer(TOdbcEnv* env, const TConnectPlan& plan, std::string* diagnostic) {
  if (!plan.error.empty()) {
    Tell(diagnostic, plan.error.c_str());
    return false;
  }
  if (plan.serverConnect.empty()) return true;
  return ConnectWith(env, plan.serverConnect, diagnostic);
}

bool OpenDatabase(TOdbcEnv* env, const TConnectPlan& plan, std::string* diagnostic) {
  if (!plan.error.empty()) {
    Tell(diagnostic, plan.error.c_str());
    return false;
  }
  if (plan.existsStatement.empty()) return ConnectWith(env, plan.databaseConnect, diagnostic);
  if (!ConnectWith(env, plan.serverConnect, diagnostic)) return false;
  return RunOnServer(env, {plan.existsStatement}, diagnostic);
}

bool CreateDatabase(TOdbcEnv* env, const TConnectPlan& plan, std::string* diagnostic) {
  if (!plan.error.empty()) {
    Tell(diagnostic, plan.error.c_str());
    return false;
  }
  if (!plan.CanCreate()) {
    Tell(diagnostic, "The database cannot be created through a data source.");
    return false;
  }
  if (!plan.createConnect.empty()) {
    if (!ConnectWith(env, plan.createConnect, diagnostic)) return false;
  } else {
    if (!ConnectWith(env, plan.serverConnect, diagnostic)) return false;
    if (!RunOnServer(env, plan.createStatements, diagnostic)) return false;
  }
  // Later connections reach the new database and never create it again.
  return OpenDatabase(env, plan, diagnostic);
}
