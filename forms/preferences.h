// The sixteen user preferences that steer the forms: program-wide values with their
// built-in defaults, changed only by loading the preferences and by the preferences dialog.
#pragma once

#include <windows.h>

// When an edit window closes itself after a successful Save or Delete.
enum class TAutoClose : int { Never = 0, WhenOpenedFromList = 1, Always = 2 };

// What Store does after the key fields were changed.
enum class TKeyChangeRule : int {
  AlwaysInsert = 0,
  AlwaysUpdate = 1,
  AskInsertByDefault = 2,
  AskUpdateByDefault = 3
};

// When Find asks before it runs (stored as 0, 1, 2).
enum class TFindWarning : int {
  Never = 0,
  NoCriteria = 1,               // every field is blank: the search finds the whole table
  NoCriteriaOrNotIndexed = 2    // also when no filled field is indexed
};

struct TPreferences {
  TAutoClose AutoClose = TAutoClose::Never;
  TFindWarning WarnOnFind = TFindWarning::Never;
  TKeyChangeRule IfKeysAreChanged = TKeyChangeRule::AskInsertByDefault;
  bool AutoFind = false;    // fetch the record as soon as its keys are filled in
  bool AutoRecalc = false;  // recalculate while moving between fields
  bool AllowCascadedUpdates = false;
  bool AllowCascadedDeletes = false;
  bool PromptBeforeUpdate = false;
  bool PromptBeforeDelete = false;
  bool SkipListBoxIfSingleFind = false;  // a Find with one hit shows the record directly
  bool SkipListBoxIfSingleView = false;  // a View with one or no record skips the list
  long WindowBackground = 2;             // 0 system window colour, 1 white, else light grey
  long MandatoryFieldsColoring = 1;      // non-zero: mandatory labels in SpecialFieldsColor
  COLORREF SpecialFieldsColor = 0xFF0000;
  COLORREF ErrorMessagesColor = 0x0000FF;
  COLORREF InfoMessagesColor = 0xFF00FF;
};

extern TPreferences Preferences;
