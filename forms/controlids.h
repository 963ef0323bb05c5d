// Control ids of the generated edit forms, shared by the layout, the forms, the screenshot
// program and the tests: fixed buttons, and the ranges per attribute and per relationship;
// then the ids of the shell's output dialog and import wizard.
#pragma once

// Buttons of the row at the foot of a form, and the form's own controls.
constexpr int CANCEL_BUTTON_ID = 2;
constexpr int SAVE_BUTTON_ID = 100;
constexpr int FIND_BUTTON_ID = 101;
constexpr int DELETE_BUTTON_ID = 102;
constexpr int RESET_BUTTON_ID = 103;
constexpr int PRINT_BUTTON_ID = 104;
constexpr int REFRESH_BUTTON_ID = 105;  // "Refresh", or "Recalc" on some forms
constexpr int HELP_BUTTON_ID = 106;
constexpr int CLOSE_PAGE_BUTTON_ID = 107;
constexpr int ADD_BUTTON_ID = 108;
constexpr int EDIT_BUTTON_ID = 109;
constexpr int FIRST_BUTTON_ID = 110;
constexpr int PREVIOUS_BUTTON_ID = 111;
constexpr int NEXT_BUTTON_ID = 112;
constexpr int LAST_BUTTON_ID = 113;
constexpr int CANCEL_KEY_ID = 138;  // Escape and Enter of the list windows
constexpr int OK_KEY_ID = 139;
constexpr int STATUS_LINE_ID = 140;
constexpr int LIST_ID = 141;  // the list of the list windows
constexpr int REPORT_BUTTON_ID = 199;
constexpr int IMPORT_BUTTON_ID = 200;
constexpr int TAB_CONTROL_ID = 21000;
// The line between the key fields and the other fields.
constexpr int DIVIDER_ID = 0xFFFF;

// Static texts that the common colour answer paints dark blue and green.
constexpr int BLUE_TEXT_FIRST_ID = 2201, BLUE_TEXT_LAST_ID = 2209;
constexpr int GREEN_TEXT_FIRST_ID = 2211, GREEN_TEXT_LAST_ID = 2219;

// Per attribute i (its position in the entity): base + i.
constexpr int LABEL_ID_BASE = 2000;
constexpr int FIELD_ID_BASE = 3000;
constexpr int EXPAND_BUTTON_ID_BASE = 4000;
constexpr int BROWSE_BUTTON_ID_BASE = 5000;
constexpr int EXECUTE_BUTTON_ID_BASE = 6000;
constexpr int PICTURE_ID_BASE = 7000;
// Every per-attribute range holds this many ids.
constexpr int ATTRIBUTE_ID_RANGE = 1000;

// Per relationship r (its position in the entity): base + r.
constexpr int CHILD_LIST_LABEL_ID_BASE = 10000;
constexpr int LOOKUP_BUTTON_ID_BASE = 11000;
constexpr int SHOW_RELATED_BUTTON_ID_BASE = 12000;
constexpr int VIEW_RELATED_BUTTON_ID_BASE = 13000;
constexpr int CHILD_LIST_ID_BASE = 14000;
constexpr int CHILD_ADD_BUTTON_ID_BASE = 15000;
constexpr int CHILD_EDIT_BUTTON_ID_BASE = 16000;
constexpr int CHILD_DELETE_BUTTON_ID_BASE = 17000;
constexpr int CHILD_COUNT_LABEL_ID_BASE = 18000;
constexpr int RELATIONSHIP_ID_RANGE = 1000;

// RUN buttons of the model parameters "RUN:...", numbered from 0.
constexpr int RUN_BUTTON_ID_BASE = 19500;
constexpr int RUN_BUTTON_COUNT = 50;

// Radio button k of the code list of attribute i.
constexpr int RADIO_BUTTON_ID_BASE = 20000;
constexpr int RADIO_BUTTONS_PER_ATTRIBUTE = 500;

constexpr int LabelId(int attribute) { return LABEL_ID_BASE + attribute; }
constexpr int FieldId(int attribute) { return FIELD_ID_BASE + attribute; }
constexpr int ExpandButtonId(int attribute) { return EXPAND_BUTTON_ID_BASE + attribute; }
constexpr int BrowseButtonId(int attribute) { return BROWSE_BUTTON_ID_BASE + attribute; }
constexpr int ExecuteButtonId(int attribute) { return EXECUTE_BUTTON_ID_BASE + attribute; }
constexpr int PictureId(int attribute) { return PICTURE_ID_BASE + attribute; }
constexpr int ChildListLabelId(int rel) { return CHILD_LIST_LABEL_ID_BASE + rel; }
constexpr int LookupButtonId(int rel) { return LOOKUP_BUTTON_ID_BASE + rel; }
constexpr int ShowRelatedButtonId(int rel) { return SHOW_RELATED_BUTTON_ID_BASE + rel; }
constexpr int ViewRelatedButtonId(int rel) { return VIEW_RELATED_BUTTON_ID_BASE + rel; }
constexpr int ChildListId(int rel) { return CHILD_LIST_ID_BASE + rel; }
constexpr int ChildAddButtonId(int rel) { return CHILD_ADD_BUTTON_ID_BASE + rel; }
constexpr int ChildEditButtonId(int rel) { return CHILD_EDIT_BUTTON_ID_BASE + rel; }
constexpr int ChildDeleteButtonId(int rel) { return CHILD_DELETE_BUTTON_ID_BASE + rel; }
constexpr int ChildCountLabelId(int rel) { return CHILD_COUNT_LABEL_ID_BASE + rel; }
constexpr int RunButtonId(int number) { return RUN_BUTTON_ID_BASE + number; }
constexpr int RadioButtonId(int attribute, int item) {
  return RADIO_BUTTON_ID_BASE + attribute * RADIO_BUTTONS_PER_ATTRIBUTE + item;
}

// The position an id of a range stands for, or -1 when the id is outside that range.
constexpr int IdOffset(int id, int base, int range) {
  return id >= base && id < base + range ? id - base : -1;
}
// The attribute of a field id (3000 + i), or -1.
constexpr int FieldAttribute(int id) { return IdOffset(id, FIELD_ID_BASE, ATTRIBUTE_ID_RANGE); }

// Control ids of the dialog "OutputRecords".
enum TOutputRecordsControl {
  OUTPUT_PROCESS = 1,
  OUTPUT_CLOSE = 2,
  OUTPUT_STATUS = 140,
  OUTPUT_FILE_NAME = 1000,
  OUTPUT_BROWSE = 1001,
  OUTPUT_FORMAT = 1002,
  OUTPUT_CREATE = 1003,
  OUTPUT_OPEN = 1004,
  OUTPUT_PRINT = 1005,
  OUTPUT_PROGRESS = 1007,
  OUTPUT_HEADINGS = 1008,
  OUTPUT_ALL_FIELDS = 1009
};

// Control ids of the wizard pages and of the import window.
enum TImportWizardControl {
  IMPORT_STATUS = 140,
  IMPORT_NEW_TEMPLATE = 1000,
  IMPORT_TEMPLATE_NAME = 1001,
  IMPORT_EXISTING_TEMPLATE = 1002,
  IMPORT_TEMPLATE_LIST = 1003,
  IMPORT_BROWSE = 1004,
  IMPORT_TABLE = 1005,
  IMPORT_VALIDATE_RELATED = 1006,
  IMPORT_SKIP_ROWS = 1007,
  IMPORT_FIELD_NAMES = 1008,
  IMPORT_TAB = 1009,
  IMPORT_COMMA = 1010,
  IMPORT_TILDE = 1011,
  IMPORT_OTHER = 1012,
  IMPORT_OTHER_SEPARATOR = 1013,
  IMPORT_PREVIEW_LIST = 1014,
  IMPORT_STRIP_QUOTES = 1015,
  IMPORT_INPUT_FILE = 1016,
  IMPORT_PREVIEW_TEXT = 1017,
  IMPORT_MAPPING_LIST = 1018,
  IMPORT_MAPPING_COLUMN = 1019,
  IMPORT_MAPPING_TARGET = 1020,
  IMPORT_VALUE_LIST = 1021,
  IMPORT_VALUE_ATTRIBUTE = 1022,
  IMPORT_VALUE_TEXT = 1023,
  IMPORT_SUMMARY_LIST = 1024,
  IMPORT_TITLE = 1025,
  IMPORT_PROGRESS_LIST = 1026,
  IMPORT_PROGRESS_LABEL = 1158,
  IMPORT_PROGRESS_BUTTON = 2
};
