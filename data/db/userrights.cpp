// A user's store and delete rights on a table, read from "URIGHTS".
#include "data/db/userrights.h"

#include <cstdio>
#include <cstring>

#include "data/core/messages.h"
#include "data/core/strings.h"
#include "data/db/database.h"
#include "data/db/odbcstatement.h"

namespace {

// The rights row of the user on the table: true with its bits, false when there is none
// or the database cannot tell.
bool ReadRights(const char* table, const char* userId, int* rights) {
  if (!OdbcEnvironment || strlen(table) + strlen(userId) > TEMP_STRING_SIZE / 2 - 200) return false;
  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  TOdbcStatement statement(&connection);
  TTempString quotedUser, quotedTable, sql;
  CopyQuotedSql(quotedUser, userId);
  CopyQuotedSql(quotedTable, table);
  snprintf(sql, TEMP_STRING_SIZE,
           "SELECT USTORE,UDELETE FROM URIGHTS WHERE USER_ID ='%s' AND TABLE_NAME ='%s'",
           quotedUser.get(), quotedTable.get());
  if (!SQL_SUCCEEDED(statement.ExecDirect(sql)) || !SQL_SUCCEEDED(statement.Fetch())) return false;

  TTempString value;
  *rights = 0;
  statement.GetData(0, value, TEMP_STRING_SIZE);
  if (_stricmp(value, "Yes") == 0) *rights |= RIGHT_STORE;
  statement.GetData(1, value, TEMP_STRING_SIZE);
  if (_stricmp(value, "Yes") == 0) *rights |= RIGHT_DELETE;
  statement.CloseCursor();
  return true;
}

}  // namespace

int CheckUserRights(HWND owner, const char* table, const char* userId, bool warn) {
  if (!userId || !*userId) return 0;
  int rights = 0;
  if (ReadRights(table, userId, &rights)) return rights;
  if (warn) {
    MessageBoxCall(owner,
                   "No User Rights have been allocated for this User.\n\n"
                   "Save and Delete will be disabled.",
                   "Security Warning", MB_OK | MB_ICONEXCLAMATION);
  }
  return 0;
}
