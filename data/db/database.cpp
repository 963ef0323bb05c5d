#include "data/db/database.h"

TOdbcEnv* OdbcEnvironment = nullptr;
char DatabaseName[DATABASE_NAME_SIZE] = "";
