// Program-wide settings: defaults, model parameters and the application INI file.
#include "data/model/settings.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/core/strings.h"
#include "data/model/model.h"

int UseForUpdateClause = 0;
int OdbcLogin = 0;
int DisableResetAfterStore = 0;
int RecListCacheSize = 1024;
char DateFormat[64] = "DD/MM/YY";
char TimeFormat[64] = "HH24:MI:SS";
char TimestampFormat[64] = "DD/MM/YY:HH24:MI:SS";
int MainWindowShow = 0;
int LoginTimeOut = 60;
char RaptelFilename[MAX_PATH_TEXT] = "VUDOVED.EXE";
char RaptelOptions[MAX_PATH_TEXT] = "";
int RaptelShow = 1;
char RaptelVersion[16] = "32";
int RunShow = 1;

const char* AboutDlgName = "AboutDlg";
const char* ErrorsDlgName = "ErrorsDlg";
const char* ViewDlgName = "ViewDlg";
const char* Lookup0DlgName = "Lookup0Dlg";
const char* Lookup3DlgName = "Lookup3Dlg";
const char* FindDlgName = "FindDlg";
const char* ExpandDlgName = "ExpandDlg";
const char* PreferencesDlgName = "PreferencesDlg";
const char* ChangeColorsDlgName = "ChangeColorsDlg";
const char* LoginDlgName = "LoginDlg";

const char* LayoutButtonClasses[LAYOUT_BUTTON_CLASS_COUNT] = {
    MAKEINTRESOURCEA(0x80), MAKEINTRESOURCEA(0x80), MAKEINTRESOURCEA(0x80),
    MAKEINTRESOURCEA(0x80), MAKEINTRESOURCEA(0x80)};

int FieldHelp = 1;
char FontName[64] = "MS Sans Serif";
int FontSize = 8;
int Init_Dlg_X = 30;
int Init_Dlg_Y = 20;
int Sec_Page_Cascade_X_Off = 4;
int Inter_Lbl_Ctrl_Gap = 4;
int Inter_Ctrl_Ctrl_Gap = 4;
int Inter_Ctrl_Butt_Gap = 4;
int Inter_Page_Butt_Gap = 4;
int Inter_Ctrl_Height = 2;
int Inter_Radio_Butt_Gap = 2;
int Inter_Radio_Butt_Height = 0;
int Thin_Group_Box_Height = 24;
int Left_Gap = 4;
int Right_Gap = 4;
int Top_Gap = 2;
int Bottom_Gap = 2;
int Def_Label_Width = 60;
int Def_AED_Butt_Width = 32;
int First_Bool_Gap = 4;
int Small_List_Box_Height = 60;
int Large_List_Box_Height = 112;
int Small_Inter_Butt_Height = 4;
int Large_Inter_Butt_Height = 12;
int Norm_Dlg_Width = 360;
int Sec_Page_Dlg_Width = 60;
int Norm_Height = 12;
int Combo_Box_Height = 60;
int Label_Height = 8;
int Label_Y_Off = 2;
int View_Col1_Off = 50;
int View_Butt_Width = 110;
int View_Label_Width = 80;
int Run_Col1_Off = 120;
int Run_Butt_Width = 110;
int Run_Label_Width = 60;
int Expand_Butt_Width = 16;
int Popup_Butt_Width = 12;
int To_One_Butt_Width = 12;
int Page_Butt_Width = 12;
int Open_Up_Butt_Width = 16;
int Bottom_Butt_Width = 30;
int Bottom_Butt_Height = 12;
int Msg_Y_Off = 2;
int Before_Div_Line_Height = 4;
int After_Div_Line_Height = 3;
int Left_Div_Line_Gap = 4;
int Right_Div_Line_Gap = 4;
int Group_Y_Off = 0;
int First_Radio_Butt_X_Off = 4;
int First_Radio_Butt_Y_Off = 10;
int Norm_Ch_Width = 4;
int Radio_Butt_Ch_Extra = 4;
int Edit_Ctrl_Ch_Extra = 2;
int Combo_Box_Ch_Extra = 4;
int Edtbl_Combo_Box_Ch_Extra = 6;
int Check_Box_Ch_Extra = 4;
int VCR_Butt_Width = 12;
int VCR_Butt_Height = 12;
int Inter_VCR_Butt_Gap = 2;

const TScreenMetric ScreenMetrics[SCREEN_METRIC_COUNT] = {
    {"Init_Dlg_X", &Init_Dlg_X},
    {"Init_Dlg_Y", &Init_Dlg_Y},
    {"Sec_Page_Cascade_X_Off", &Sec_Page_Cascade_X_Off},
    {"Inter_Lbl_Ctrl_Gap", &Inter_Lbl_Ctrl_Gap},
    {"Inter_Ctrl_Ctrl_Gap", &Inter_Ctrl_Ctrl_Gap},
    {"Inter_Ctrl_Butt_Gap", &Inter_Ctrl_Butt_Gap},
    {"Inter_Page_Butt_Gap", &Inter_Page_Butt_Gap},
    {"Inter_Ctrl_Height", &Inter_Ctrl_Height},
    {"Inter_Radio_Butt_Gap", &Inter_Radio_Butt_Gap},
    {"Inter_Radio_Butt_Height", &Inter_Radio_Butt_Height},
    {"Thin_Group_Box_Height", &Thin_Group_Box_Height},
    {"Left_Gap", &Left_Gap},
    {"Right_Gap", &Right_Gap},
    {"Top_Gap", &Top_Gap},
    {"Bottom_Gap", &Bottom_Gap},
    {"Def_Label_Width", &Def_Label_Width},
    {"Def_AED_Butt_Width", &Def_AED_Butt_Width},
    {"First_Bool_Gap", &First_Bool_Gap},
    {"Small_List_Box_Height", &Small_List_Box_Height},
    {"Large_List_Box_Height", &Large_List_Box_Height},
    {"Small_Inter_Butt_Height", &Small_Inter_Butt_Height},
    {"Large_Inter_Butt_Height", &Large_Inter_Butt_Height},
    {"Norm_Dlg_Width", &Norm_Dlg_Width},
    {"Sec_Page_Dlg_Width", &Sec_Page_Dlg_Width},
    {"Norm_Height", &Norm_Height},
    {"Combo_Box_Height", &Combo_Box_Height},
    {"Label_Height", &Label_Height},
    {"Label_Y_Off", &Label_Y_Off},
    {"View_Col1_Off", &View_Col1_Off},
    {"View_Butt_Width", &View_Butt_Width},
    {"View_Label_Width", &View_Label_Width},
    {"Run_Col1_Off", &Run_Col1_Off},
    {"Run_Butt_Width", &Run_Butt_Width},
    {"Run_Label_Width", &Run_Label_Width},
    {"Expand_Butt_Width", &Expand_Butt_Width},
    {"Popup_Butt_Width", &Popup_Butt_Width},
    {"To_One_Butt_Width", &To_One_Butt_Width},
    {"Page_Butt_Width", &Page_Butt_Width},
    {"Open_Up_Butt_Width", &Open_Up_Butt_Width},
    {"Bottom_Butt_Width", &Bottom_Butt_Width},
    {"Bottom_Butt_Height", &Bottom_Butt_Height},
    {"Msg_Y_Off", &Msg_Y_Off},
    {"Before_Div_Line_Height", &Before_Div_Line_Height},
    {"After_Div_Line_Height", &After_Div_Line_Height},
    {"Left_Div_Line_Gap", &Left_Div_Line_Gap},
    {"Right_Div_Line_Gap", &Right_Div_Line_Gap},
    {"Group_Y_Off", &Group_Y_Off},
    {"First_Radio_Butt_X_Off", &First_Radio_Butt_X_Off},
    {"First_Radio_Butt_Y_Off", &First_Radio_Butt_Y_Off},
    {"Norm_Ch_Width", &Norm_Ch_Width},
    {"Radio_Butt_Ch_Extra", &Radio_Butt_Ch_Extra},
    {"Edit_Ctrl_Ch_Extra", &Edit_Ctrl_Ch_Extra},
    {"Combo_Box_Ch_Extra", &Combo_Box_Ch_Extra},
    {"Edtbl_Combo_Box_Ch_Extra", &Edtbl_Combo_Box_Ch_Extra},
    {"Check_Box_Ch_Extra", &Check_Box_Ch_Extra},
    {"VCR_Butt_Width", &VCR_Butt_Width},
    {"VCR_Butt_Height", &VCR_Butt_Height},
    {"Inter_VCR_Butt_Gap", &Inter_VCR_Butt_Gap},
};

namespace {

struct TSwitch {
  const char* name;
  int* setting;
};
const TSwitch Switches[] = {{"USE_FOR_UPDATE_CLAUSE", &UseForUpdateClause},
                            {"ODBC_LOGIN", &OdbcLogin},
                            {"DISABLE_RESET_AFTER_STORE", &DisableResetAfterStore}};

struct TTextSetting {
  const char* name;
  char* setting;
  size_t size;
};
// Applied only when the model gives them a value.
const TTextSetting FormatParams[] = {{"DATE_FORMAT", DateFormat, sizeof DateFormat},
                                     {"TIME_FORMAT", TimeFormat, sizeof TimeFormat},
                                     {"TIMESTAMP_FORMAT", TimestampFormat, sizeof TimestampFormat}};

int IsTrue(const char* value) { return value[0] && strchr("TtYy1", value[0]) != nullptr; }

void CopySetting(char* setting, size_t size, const char* value) { snprintf(setting, size, "%s", value); }

bool IsPlainButtonClass(const char* cls) {
  if (IS_INTRESOURCE(cls)) return cls == MAKEINTRESOURCEA(0x80);
  return lstrcmpiA(cls, "BUTTON") == 0;
}

void ApplyParam(const char* name, const char* value) {
  for (const TSwitch& s : Switches)
    if (strcmp(name, s.name) == 0) *s.setting = IsTrue(value);
  for (const TTextSetting& t : FormatParams)
    if (strcmp(name, t.name) == 0 && *value) CopySetting(t.setting, t.size, value);
  if (strcmp(name, "RECLIST_CACHE_SIZE") == 0) RecListCacheSize = atoi(value);
  else if (strcmp(name, "FONT_NAME") == 0) CopySetting(FontName, sizeof FontName, value);
  else if (strcmp(name, "FONT_SIZE") == 0) FontSize = atoi(value);
  else if (strcmp(name, "FIELD_HELP") == 0 && *value) FieldHelp = IsTrue(value);
}

// The hover-help dialog resources and button class.
void SwitchToHoverHelp() {
  if (IsPlainButtonClass(LayoutButtonClasses[PUSH_BUTTON_CLASS]))
    LayoutButtonClasses[PUSH_BUTTON_CLASS] = "ZKWButton";
  if (IsPlainButtonClass(LayoutButtonClasses[CHECK_BOX_CLASS]))
    for (int k = CHECK_BOX_CLASS; k < LAYOUT_BUTTON_CLASS_COUNT; ++k) LayoutButtonClasses[k] = "ZKWButton";
  AboutDlgName = "AboutDlgS";
  ErrorsDlgName = "ErrorsDlgS";
  ViewDlgName = "ViewDlgS";
  Lookup0DlgName = "Lookup0DlgS";
  Lookup3DlgName = "Lookup3DlgS";
  FindDlgName = "FindDlgS";
  ExpandDlgName = "ExpandDlgS";
  PreferencesDlgName = "PreferencesDlgS";
  ChangeColorsDlgName = "ChangeColorsDlgS";
  LoginDlgName = "LoginDlgS";
}

void ReadInt(const char* path, const char* section, const char* key, int* setting) {
  *setting = static_cast<int>(GetPrivateProfileIntA(section, key, *setting, path));
}

void ReadText(const char* path, const char* section, const char* key, char* setting, size_t size) {
  TTempString text;
  GetPrivateProfileStringA(section, key, setting, text, TEMP_STRING_SIZE, path);
  CopySetting(setting, size, text);
}

}  // namespace

void ApplyModelParameters() {
  for (int p = 0; p < TheModel.ParamCount; ++p) ApplyParam(TheModel.Params[p].Name, TheModel.Params[p].Value);
  if (FieldHelp) SwitchToHoverHelp();
}

void ReadApplicationIni(const char* iniPath) {
  ReadInt(iniPath, "General", "RecList_Cache_Size", &RecListCacheSize);
  ReadInt(iniPath, "General", "Show", &MainWindowShow);
  ReadInt(iniPath, "General", "Login_Time_Out", &LoginTimeOut);
  ReadText(iniPath, "General", "Date_Format", DateFormat, sizeof DateFormat);
  ReadText(iniPath, "General", "Time_Format", TimeFormat, sizeof TimeFormat);
  ReadText(iniPath, "General", "TimeStamp_Format", TimestampFormat, sizeof TimestampFormat);
  ReadText(iniPath, "RAPTEL", "Filename", RaptelFilename, sizeof RaptelFilename);
  ReadText(iniPath, "RAPTEL", "Options", RaptelOptions, sizeof RaptelOptions);
  ReadInt(iniPath, "RAPTEL", "Show", &RaptelShow);
  ReadText(iniPath, "RAPTEL", "Version", RaptelVersion, sizeof RaptelVersion);
  ReadInt(iniPath, "Run", "Show", &RunShow);
  for (const TScreenMetric& metric : ScreenMetrics) ReadInt(iniPath, "Screen Design", metric.key, metric.value);
}
