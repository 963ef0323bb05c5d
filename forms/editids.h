// Control ids of the generated edit forms and of the find window.
#pragma once

// Buttons and lines of every edit form.
constexpr int ID_CANCEL = 2;
constexpr int ID_SAVE = 100;
constexpr int ID_FIND = 101;
constexpr int ID_DELETE = 102;
constexpr int ID_RESET = 103;
constexpr int ID_PRINT = 104;
constexpr int ID_RECALCULATE = 105;
constexpr int ID_HELP = 106;
constexpr int ID_CLOSE_PAGE = 107;
constexpr int ID_FIRST = 110;
constexpr int ID_PREVIOUS = 111;
constexpr int ID_NEXT = 112;
constexpr int ID_LAST = 113;
constexpr int ID_CANCEL_KEY = 138;
constexpr int ID_OK_KEY = 139;
constexpr int ID_STATUS_LINE = 140;
constexpr int ID_LIST = 141;
constexpr int ID_IMPORT = 200;
constexpr int ID_TAB_CONTROL = 21000;

// Per attribute i: ID + i; per relationship r: ID + r.
constexpr int ID_LABEL = 2000;
constexpr int ID_FIELD = 3000;
constexpr int ID_EXPAND = 4000;
constexpr int ID_BROWSE = 5000;
constexpr int ID_EXECUTE = 6000;
constexpr int ID_LOOKUP = 11000;
constexpr int ID_SHOW_RELATED = 12000;
constexpr int ID_VIEW_RELATED = 13000;
constexpr int ID_CHILD_LIST = 14000;
constexpr int ID_ADD_CHILD = 15000;
constexpr int ID_MODIFY_CHILD = 16000;
constexpr int ID_DELETE_CHILD = 17000;
constexpr int ID_CHILD_COUNT = 18000;
// Radio button k of attribute i: ID_RADIO + i * RADIO_STRIDE + k.
constexpr int ID_RADIO = 20000;
constexpr int RADIO_STRIDE = 500;
constexpr int ID_RUN_FIRST = 19500;
constexpr int ID_RUN_LAST = 19549;

// The find window's own buttons.
constexpr int ID_FIND_ADD = 108;
constexpr int ID_FIND_EDIT = 109;
constexpr int ID_FIND_REPORT = 199;
