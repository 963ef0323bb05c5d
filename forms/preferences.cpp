// The program's one set of user preferences, holding the built-in defaults until loaded.
#include "forms/preferences.h"

TPreferences Preferences;
