// The program's one ODBC environment and the database its operations work in.
#pragma once

class TOdbcEnv;

// Created by start-up once the server is proven, deleted at shut-down; every database
// operation opens its own connection from it.
extern TOdbcEnv* OdbcEnvironment;

// The application database ([Network] "Database"), named to every new connection.
constexpr int DATABASE_NAME_SIZE = 64;
extern char DatabaseName[DATABASE_NAME_SIZE];
