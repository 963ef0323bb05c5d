// The user preferences that the edit form and its windows read.
#include "forms/formprefs.h"

TFormPreferences StoredFormPreferences = {0, 0, 2, 0, 0, 0, 0, 0, 0, 1, 0xFF0000, 0x0000FF};

TFormPreferences FormPreferences() { return StoredFormPreferences; }
