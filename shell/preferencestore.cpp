// The preference store and the loading and saving of the sixteen preferences.
#include "shell/preferencestore.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "data/core/userprofile.h"
#include "data/db/database.h"
#include "data/db/odbcstatement.h"
#include "data/db/recordtxn.h"
#include "data/model/model.h"
#include "forms/preferences.h"

TPreferenceStore PreferenceStore;

namespace {

constexpr int SETTING_BUFFER_SIZE = 8192;

const char* const SelectSql = "SELECT Pref_Setting FROM User_Preferences WHERE USER_ID=? AND Pref_Name=?";
const char* const UpdateSql = "update User_Preferences set Pref_Setting=? where USER_ID=? AND Pref_Name=?";
const char* const InsertSql =
    "insert into User_Preferences (USER_ID,Pref_Name,Pref_Setting) values (?,?,?)";

// The entity whose first three attributes describe USER_ID, Pref_Name and Pref_Setting.
const TEntity* PreferenceEntity() {
  const TEntity* entity = TheModel.FindEntity("User_Preferences");
  return entity && entity->AttributeCount >= 3 ? entity : nullptr;
}

// A connection to the application database with one statement on it.
struct TPreferenceQuery {
  std::unique_ptr<TOdbcConnection> connection;
  std::unique_ptr<TOdbcStatement> statement;

  bool Open() {
    if (!OdbcEnvironment) return false;
    connection = std::make_unique<TOdbcConnection>(OdbcEnvironment, 1, DatabaseName);
    if (!connection->IsConnected()) return false;
    statement = std::make_unique<TOdbcStatement>(connection.get());
    return statement->Handle() != SQL_NULL_HANDLE;
  }
  ~TPreferenceQuery() {
    statement.reset();
    connection.reset();
  }
  bool Bind(int position, const TAttribute& attribute, const std::string& text) {
    return SQL_SUCCEEDED(statement->BindParameter(position, attribute.SqlType,
                                                  attribute.ColumnSize + 1L,
                                                  attribute.DecimalDigits, text.c_str()));
  }
};

// A whole number written in the text (blanks around it allowed); false for anything else.
bool ParseLong(const std::string& text, int base, long* value) {
  const char* start = text.c_str();
  char* end = nullptr;
  errno = 0;
  long parsed = std::strtol(start, &end, base);
  if (end == start || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end) return false;
  *value = parsed;
  return true;
}

}  // namespace

bool TPreferenceStore::FetchSetting(std::string* setting) {
  const TEntity* entity = PreferenceEntity();
  if (!entity) return false;
  TPreferenceQuery query;
  if (!query.Open()) return false;
  TOdbcStatement& statement = *query.statement;
  if (!SQL_SUCCEEDED(statement.Prepare(SelectSql))) return false;
  if (!query.Bind(0, entity->Attributes[0], entry_.UserId) ||
      !query.Bind(1, entity->Attributes[1], entry_.Name) ||
      !SQL_SUCCEEDED(statement.Execute()))
    return false;
  bool found = statement.Fetch() == SQL_SUCCESS;
  if (found) {
    std::vector<char> buffer(SETTING_BUFFER_SIZE);
    SQLLEN length = statement.GetDataByName("Pref_Setting", buffer.data(), SETTING_BUFFER_SIZE);
    *setting = length == SQL_NULL_DATA ? "" : buffer.data();
  }
  statement.CloseCursor();
  return found;
}

bool TPreferenceStore::Fetch() { return FetchSetting(&entry_.Setting); }

bool TPreferenceStore::Store() {
  const TEntity* entity = PreferenceEntity();
  if (!entity) return false;
  const TAttribute& settingColumn = entity->Attributes[2];
  // A setting the column cannot hold whole is not written cut short.
  if (settingColumn.ColumnSize > 0 && long(entry_.Setting.size()) > settingColumn.ColumnSize)
    return false;
  // Asking whether the row exists must not replace the setting about to be written.
  std::string existing;
  const bool exists = FetchSetting(&existing);

  TPreferenceQuery query;
  if (!query.Open()) return false;
  TOdbcStatement& statement = *query.statement;
  bool ok;
  if (exists) {
    ok = SQL_SUCCEEDED(statement.Prepare(UpdateSql)) &&
         query.Bind(0, settingColumn, entry_.Setting) &&
         query.Bind(1, entity->Attributes[0], entry_.UserId) &&
         query.Bind(2, entity->Attributes[1], entry_.Name);
  } else {
    ok = SQL_SUCCEEDED(statement.Prepare(InsertSql)) &&
         query.Bind(0, entity->Attributes[0], entry_.UserId) &&
         query.Bind(1, entity->Attributes[1], entry_.Name) &&
         query.Bind(2, settingColumn, entry_.Setting);
  }
  return ok && SQL_SUCCEEDED(statement.Execute());
}

std::string TPreferenceStore::GetString(const char* userId, const char* name,
                                        const char* defaultValue) {
  entry_.UserId = userId ? userId : "";
  entry_.Name = name;
  return Fetch() ? entry_.Setting : std::string(defaultValue ? defaultValue : "");
}

long TPreferenceStore::GetLong(const char* userId, const char* name, long defaultValue) {
  entry_.UserId = userId ? userId : "";
  entry_.Name = name;
  long value = defaultValue;
  if (Fetch() && ParseLong(entry_.Setting, 10, &value)) return value;
  return defaultValue;
}

double TPreferenceStore::GetDouble(const char* userId, const char* name, double defaultValue) {
  entry_.UserId = userId ? userId : "";
  entry_.Name = name;
  if (!Fetch()) return defaultValue;
  const char* start = entry_.Setting.c_str();
  char* end = nullptr;
  double value = std::strtod(start, &end);
  return end == start ? defaultValue : value;
}

int TPreferenceStore::GetInt(const char* userId, const char* name, int defaultValue) {
  return static_cast<int>(GetLong(userId, name, defaultValue));
}

bool TPreferenceStore::SetString(const char* userId, const char* name, const char* value) {
  entry_.UserId = userId ? userId : "";
  entry_.Name = name;
  entry_.Setting = value ? value : "";
  return Store();
}

bool TPreferenceStore::SetLong(const char* userId, const char* name, long value) {
  char text[32];
  snprintf(text, sizeof text, "%ld", value);
  return SetString(userId, name, text);
}

bool TPreferenceStore::SetDouble(const char* userId, const char* name, double value) {
  char text[64];
  snprintf(text, sizeof text, "%f", value);
  return SetString(userId, name, text);
}

bool TPreferenceStore::SetInt(const char* userId, const char* name, int value) {
  char text[32];
  snprintf(text, sizeof text, "%d", value);
  return SetString(userId, name, text);
}

namespace {

// How a preference is written: a decimal int, a decimal long, or a colour in hexadecimal.
enum class TPreferenceKind { Int, Long, Colour };

struct TPreferenceKey {
  const char* key;  // the INI key and the table's Pref_Name
  TPreferenceKind kind;
  long (*get)();
  void (*set)(long value);
};

// A stored Warn_On_Find: 0 never, 2 also for unindexed criteria. Any other number is kept as
// it is, so that saving gives it back unchanged; the forms warn for it as for 1.
TFindWarning FindWarningOf(long value) { return static_cast<TFindWarning>(value); }

#define PREF_FLAG(key, field)                                               \
  {key, TPreferenceKind::Int, [] { return long(Preferences.field ? 1 : 0); }, \
   [](long v) { Preferences.field = v != 0; }}

const TPreferenceKey PreferenceKeys[] = {
    {"Auto_Close", TPreferenceKind::Int, [] { return long(Preferences.AutoClose); },
     [](long v) { Preferences.AutoClose = TAutoClose(v); }},
    {"Warn_On_Find", TPreferenceKind::Int, [] { return long(Preferences.WarnOnFind); },
     [](long v) { Preferences.WarnOnFind = FindWarningOf(v); }},
    {"If_Keys_Are_Changed", TPreferenceKind::Int, [] { return long(Preferences.IfKeysAreChanged); },
     [](long v) { Preferences.IfKeysAreChanged = TKeyChangeRule(v); }},
    PREF_FLAG("Auto_Find", AutoFind),
    PREF_FLAG("Auto_Recalc", AutoRecalc),
    PREF_FLAG("Allow_Cascaded_Updates", AllowCascadedUpdates),
    PREF_FLAG("Allow_Cascaded_Deletes", AllowCascadedDeletes),
    PREF_FLAG("Prompt_Before_Update", PromptBeforeUpdate),
    PREF_FLAG("Prompt_Before_Delete", PromptBeforeDelete),
    PREF_FLAG("Skip_List_Box_If_Single_Find", SkipListBoxIfSingleFind),
    PREF_FLAG("Skip_List_Box_If_Single_View", SkipListBoxIfSingleView),
    {"Window_Background", TPreferenceKind::Long, [] { return Preferences.WindowBackground; },
     [](long v) { Preferences.WindowBackground = v; }},
    {"Mandatory_Fields_Coloring", TPreferenceKind::Int,
     [] { return Preferences.MandatoryFieldsColoring; },
     [](long v) { Preferences.MandatoryFieldsColoring = v; }},
    {"Special_Fields_Color", TPreferenceKind::Colour,
     [] { return long(Preferences.SpecialFieldsColor); },
     [](long v) { Preferences.SpecialFieldsColor = COLORREF(v); }},
    {"Error_Messages_Color", TPreferenceKind::Colour,
     [] { return long(Preferences.ErrorMessagesColor); },
     [](long v) { Preferences.ErrorMessagesColor = COLORREF(v); }},
    {"Info_Messages_Color", TPreferenceKind::Colour,
     [] { return long(Preferences.InfoMessagesColor); },
     [](long v) { Preferences.InfoMessagesColor = COLORREF(v); }},
};

#undef PREF_FLAG

constexpr const char* PREFERENCES_SECTION = "Preferences";

void LoadNumber(const TPreferenceKey& preference, const char* iniPath, const char* user) {
  long value = static_cast<int>(
      GetPrivateProfileIntA(PREFERENCES_SECTION, preference.key, int(preference.get()), iniPath));
  if (preference.kind == TPreferenceKind::Int)
    value = PreferenceStore.GetInt(user, preference.key, int(value));
  else
    value = PreferenceStore.GetLong(user, preference.key, value);
  preference.set(value);
}

void LoadColour(const TPreferenceKey& preference, const char* iniPath, const char* user) {
  std::vector<char> text(SETTING_BUFFER_SIZE);
  GetPrivateProfileStringA(PREFERENCES_SECTION, preference.key, "", text.data(),
                           SETTING_BUFFER_SIZE, iniPath);
  std::string setting = PreferenceStore.GetString(user, preference.key, text.data());
  if (setting.empty()) setting = text.data();  // an empty row: the INI value counts
  long colour;
  // An empty or unreadable text keeps the colour it had.
  if (!setting.empty() && ParseLong(setting, 16, &colour)) preference.set(colour);
}

}  // namespace

void LoadPreferences(const char* iniPath) {
  const char* user = CurrentUser.UserId;
  for (const TPreferenceKey& preference : PreferenceKeys) {
    if (preference.kind == TPreferenceKind::Colour)
      LoadColour(preference, iniPath, user);
    else
      LoadNumber(preference, iniPath, user);
  }
}

bool SavePreferences() {
  const char* user = CurrentUser.UserId;
  // All sixteen rows or none: every store joins one transaction, and the first row that
  // cannot be written rolls back those before it.
  TRecordTransaction transaction;
  if (!transaction.IsOutermost() && !TRecordTransaction::IsActive()) return false;
  for (const TPreferenceKey& preference : PreferenceKeys) {
    bool stored;
    switch (preference.kind) {
      case TPreferenceKind::Int:
        stored = PreferenceStore.SetInt(user, preference.key, int(preference.get()));
        break;
      case TPreferenceKind::Long:
        stored = PreferenceStore.SetLong(user, preference.key, preference.get());
        break;
      default: {
        char text[16];
        snprintf(text, sizeof text, "%lX", static_cast<unsigned long>(preference.get()));
        stored = PreferenceStore.SetString(user, preference.key, text);
      }
    }
    if (!stored) return transaction.Finish(false);
  }
  return transaction.Finish(true);
}
