// The program's ODBC environment and the name of the database its operations work in.
#include "data/db/database.h"

TOdbcEnv* OdbcEnvironment = nullptr;
char DatabaseName[DATABASE_NAME_SIZE] = "";
