// Proving the database server and reaching, or making, the application database with the
// connect plan of the [Network] settings. Each step leaves in the environment the connect
// string that every later connection makes again.
#pragma once

#include <string>

#include "data/db/connectstrings.h"

class TOdbcEnv;

// Connects once with the plan's server string and closes again; true when it connected
// or there is no server to prove. *diagnostic gets the driver's message on failure.
bool ProveServer(TOdbcEnv* env, const TConnectPlan& plan, std::string* diagnostic);

// True when the database exists; the environment then remembers the database's
// connection. Never creates anything.
bool OpenDatabase(TOdbcEnv* env, const TConnectPlan& plan, std::string* diagnostic);

// Creates the database and connects to it (the environment remembers the connection);
// false with the server's message when a step fails or the plan cannot create.
bool CreateDatabase(TOdbcEnv* env, const TConnectPlan& plan, std::string* diagnostic);
