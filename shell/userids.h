// Control ids of the user dialogs of resources/vorn/users.rc: the login dialog, the
// preferences dialog and the change colours dialog.
#pragma once

// LoginDlg, LoginDlgS (OK is IDOK, Cancel IDCANCEL).
constexpr int LOGIN_USER_ID = 100;
constexpr int LOGIN_PASSWORD_ID = 101;
constexpr int LOGIN_MESSAGE_ID = 140;

// PreferencesDlg, PreferencesDlgS (OK is IDOK, Cancel IDCANCEL).
constexpr int PREFS_AUTO_CLOSE_GROUP = 160;
constexpr int PREFS_AUTO_CLOSE_FIRST = 161;  // 161-163: Auto_Close 0-2
constexpr int PREFS_WARN_GROUP = 164;
constexpr int PREFS_WARN_FIRST = 165;  // 165-167: Warn_On_Find 0-2
constexpr int PREFS_KEYS_GROUP = 168;
constexpr int PREFS_KEYS_FIRST = 169;  // 169-172: If_Keys_Are_Changed 0-3
constexpr int PREFS_AUTO_FIND = 173;
constexpr int PREFS_AUTO_RECALC = 174;
constexpr int PREFS_CASCADE_UPDATES = 178;
constexpr int PREFS_CASCADE_DELETES = 179;
constexpr int PREFS_PROMPT_UPDATE = 180;
constexpr int PREFS_PROMPT_DELETE = 181;
constexpr int PREFS_COLOURS = 182;
constexpr int PREFS_SKIP_SINGLE_FIND = 183;
constexpr int PREFS_SKIP_SINGLE_VIEW = 184;
constexpr int PREFS_SAVE = 185;

// ChangeColorsDlg, ChangeColorsDlgS (OK is IDOK, Cancel IDCANCEL).
constexpr int COLOURS_LABEL = 195;
constexpr int COLOURS_LIST = 196;
constexpr int COLOURS_CHOOSE = 197;
constexpr int COLOURS_SAMPLE = 198;

// The Help buttons of the preference dialogs, and the keys of Enter and Escape.
constexpr int USER_DIALOG_HELP = 106;
constexpr int USER_DIALOG_HELP_KEY = 32651;
constexpr int USER_DIALOG_OK_KEY = 139;
constexpr int USER_DIALOG_CANCEL_KEY = 138;
