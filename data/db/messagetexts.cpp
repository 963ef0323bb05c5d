// Message texts by number, read from the table "ErrorMessage".
#include "data/db/messagetexts.h"

#include <cstdio>

#include "data/db/database.h"
#include "data/db/odbcstatement.h"

bool GetMessageText(long number, char* buffer, int size) {
  if (size <= 0) return false;
  buffer[0] = '\0';
  if (!OdbcEnvironment) return false;
  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  TOdbcStatement statement(&connection);
  char key[24];
  snprintf(key, sizeof key, "%ld", number);
  if (!SQL_SUCCEEDED(statement.Prepare("SELECT MSG_TEXT FROM ErrorMessage WHERE MSG_NO=?")) ||
      !SQL_SUCCEEDED(statement.BindParameter(0, SQL_INTEGER, 10, 0, key)) ||
      !SQL_SUCCEEDED(statement.Execute()) || !SQL_SUCCEEDED(statement.Fetch())) {
    return false;
  }
  bool found = statement.GetData(0, buffer, size) != SQL_NULL_DATA;
  statement.CloseCursor();
  return found;
}
