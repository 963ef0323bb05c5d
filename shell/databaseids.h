// Control ids of the database dialogs of resources/vorn/database.rc: the connection
// dialog, the script progress window, "Run Database Script" and the dump and load dialog.
#pragma once

// DATABASECONNECTION
constexpr int CONNECT_SERVER_ID = 100;
constexpr int CONNECT_USER_ID = 101;
constexpr int CONNECT_PASSWORD_ID = 102;
constexpr int CONNECT_TRUSTED_ID = 103;

// Processing
constexpr int PROGRESS_TITLE_ID = 100;
constexpr int PROGRESS_LINE_ID = 101;
constexpr int PROGRESS_BAR_ID = 102;

// RunScript (Run Script is IDOK, Close is IDCANCEL)
constexpr int SCRIPT_PATH_ID = 200;
constexpr int SCRIPT_SELECT_ID = 201;
constexpr int SCRIPT_LINES_ID = 202;
constexpr int SCRIPT_PREVIEW_ID = 203;
constexpr int SCRIPT_MESSAGE_ID = 140;

// DumpDatabaseTables: table i has the check box 1001 + i and the file edit 1101 + i.
constexpr int TABLES_MESSAGE_ID = 140;
constexpr int TABLES_PROGRESS_ID = 1201;
constexpr int TABLE_CHECK_ID_BASE = 1001;
constexpr int TABLE_FILE_ID_BASE = 1101;
// At most this many tables get a row (the ids of the two ranges must not meet); a model
// with more gets a last row that says how many are left out and how to reach them.
constexpr int TABLE_ROWS_LIMIT = 100;
constexpr int TABLES_LEFT_OUT_ID = 1202;
