// The user preferences that the edit form and its windows read, through one accessor.
#pragma once

#include <windows.h>

struct TFormPreferences {
  int AutoClose;
  int WarnOnFind;
  int IfKeysAreChanged;
  int AutoFind;
  int AutoRecalc;
  int AllowCascadedUpdates;
  int PromptBeforeUpdate;
  int PromptBeforeDelete;
  int SkipListBoxIfSingleFind;
  long MandatoryFieldsColoring;
  COLORREF SpecialFieldsColor;
  COLORREF ErrorMessagesColor;
};

// The preferences as they stand now.
TFormPreferences FormPreferences();

// The values FormPreferences answers with, compiled defaults at start.
extern TFormPreferences StoredFormPreferences;
