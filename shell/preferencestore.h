// The preference store: the user's rows of the table "User_Preferences", and the loading
// and saving of the sixteen preferences (the INI file's [Preferences], then those rows).
#pragma once

#include <string>

// The row one store operation works on.
struct TPreferenceEntry {
  std::string UserId;
  std::string Name;
  std::string Setting;
};

// Every operation opens its own connection and statement and closes them before it
// returns. Without the model's entity "User_Preferences" (its first three attributes,
// USER_ID, Pref_Name and Pref_Setting, give the bindings) the database is not consulted.
class TPreferenceStore {
public:
  // True when the row of the entry's user and name exists; its setting (empty for NULL)
  // is then in the entry.
  bool Fetch();
  // Writes the entry's setting for its user and name: an update when the row exists, else
  // an insert. False when nothing was written (no table, no entity, a setting wider than
  // the column, a failed statement).
  bool Store();

  // The user's setting, or the default when there is no row or the row holds no value
  // of that kind (empty, NULL, not a number).
  std::string GetString(const char* userId, const char* name, const char* defaultValue);
  long GetLong(const char* userId, const char* name, long defaultValue);
  double GetDouble(const char* userId, const char* name, double defaultValue);
  int GetInt(const char* userId, const char* name, int defaultValue);

  // Store the value as text ("%ld", "%f", "%d" or as given); false when nothing was written.
  bool SetString(const char* userId, const char* name, const char* value);
  bool SetLong(const char* userId, const char* name, long value);
  bool SetDouble(const char* userId, const char* name, double value);
  bool SetInt(const char* userId, const char* name, int value);

  TPreferenceEntry& Entry() { return entry_; }

private:
  bool FetchSetting(std::string* setting);
  TPreferenceEntry entry_;
};

extern TPreferenceStore PreferenceStore;

// Loads the sixteen preferences for the current user: each from the INI file's section
// [Preferences] (its current value the default), then from the user's row when there is
// one. Called at start-up and after every successful login.
void LoadPreferences(const char* iniPath);
// Writes the sixteen preferences to the current user's rows (never to the INI file) in
// one transaction: all of them, or, when any cannot be written, none (false).
bool SavePreferences();
