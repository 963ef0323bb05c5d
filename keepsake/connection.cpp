// The connect string of the database the INI's [Network] section names, through the
// program's one connection builder.
#include <string>

#include "data/db/connectstrings.h"
#include "keepsake/keepsake.h"

bool DatabaseConnectString(const TRun& run, std::string& connectString, std::string& error) {
  TNetworkSettings settings = ReadNetworkSettings(run.iniPath, run.database, "", "");
  // The wizard's own fields: a user name logs in with it, none with a trusted connection.
  settings.database = run.database;
  settings.user = run.user;
  settings.password = run.password;
  settings.trusted = run.user.empty();
  // The INI lies beside the model, and a relative database file beside both.
  const std::string folder = run.iniPath.substr(0, run.iniPath.find_last_of("\\/") + 1);
  TConnectPlan plan = PlanConnection(settings, folder);
  if (!plan.error.empty()) {
    error = plan.error;
    return false;
  }
  connectString = plan.databaseConnect;
  return true;
}
