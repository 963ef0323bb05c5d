// Program-wide settings: built-in defaults, overridden by the model parameters
// (ApplyModelParameters) and then by the application INI file (ReadApplicationIni).
#pragma once

constexpr int MAX_PATH_TEXT = 260;

// Walks the parameters of the loaded model and sets the settings they name.
void ApplyModelParameters();
// Reads [General], [RAPTEL], [Run] and [Screen Design] of the INI file; an absent key
// keeps the current value.
void ReadApplicationIni(const char* iniPath);

// From the model parameters only.
extern int UseForUpdateClause;      // row locks on SELECTs that read a row before changing it
extern int OdbcLogin;               // login mode
extern int DisableResetAfterStore;
// From the model parameters, then the INI file.
extern int RecListCacheSize;        // slots of the record cache
extern char DateFormat[64];         // the user's date, time and timestamp formats
extern char TimeFormat[64];
extern char TimestampFormat[64];
// From the INI file only.
extern int MainWindowShow;          // [General] "Show"
extern int LoginTimeOut;            // [General] "Login_Time_Out", minutes
extern char RaptelFilename[MAX_PATH_TEXT];
extern char RaptelOptions[MAX_PATH_TEXT];
extern int RaptelShow;
extern char RaptelVersion[16];
extern int RunShow;                 // [Run] "Show"

// The dialog template names that hover help switches to their "S" variants.
extern const char* AboutDlgName;
extern const char* ErrorsDlgName;
extern const char* ViewDlgName;
extern const char* Lookup0DlgName;
extern const char* Lookup3DlgName;
extern const char* FindDlgName;
extern const char* ExpandDlgName;
extern const char* PreferencesDlgName;
extern const char* ChangeColorsDlgName;
extern const char* LoginDlgName;

// The window classes of the buttons of the generated forms, in this order: push buttons,
// check boxes, radio buttons, group boxes and pictures. The predefined button class until
// hover help switches them to "ZKWButton".
enum TLayoutButtonClass {
  PUSH_BUTTON_CLASS,
  CHECK_BOX_CLASS,
  RADIO_BUTTON_CLASS,
  GROUP_BOX_CLASS,
  PICTURE_BUTTON_CLASS,
  LAYOUT_BUTTON_CLASS_COUNT
};
extern const char* LayoutButtonClasses[LAYOUT_BUTTON_CLASS_COUNT];

// Hover help and the form font.
extern int FieldHelp;
extern char FontName[64];
extern int FontSize;
extern int Init_Dlg_X;
extern int Init_Dlg_Y;
extern int Sec_Page_Cascade_X_Off;
extern int Inter_Lbl_Ctrl_Gap;
extern int Inter_Ctrl_Ctrl_Gap;
extern int Inter_Ctrl_Butt_Gap;
extern int Inter_Page_Butt_Gap;
extern int Inter_Ctrl_Height;
extern int Inter_Radio_Butt_Gap;
extern int Inter_Radio_Butt_Height;
extern int Thin_Group_Box_Height;
extern int Left_Gap;
extern int Right_Gap;
extern int Top_Gap;
extern int Bottom_Gap;
extern int Def_Label_Width;
extern int Def_AED_Butt_Width;
extern int First_Bool_Gap;
extern int Small_List_Box_Height;
extern int Large_List_Box_Height;
extern int Small_Inter_Butt_Height;
extern int Large_Inter_Butt_Height;
extern int Norm_Dlg_Width;
extern int Sec_Page_Dlg_Width;
extern int Norm_Height;
extern int Combo_Box_Height;
extern int Label_Height;
extern int Label_Y_Off;
extern int View_Col1_Off;
extern int View_Butt_Width;
extern int View_Label_Width;
extern int Run_Col1_Off;
extern int Run_Butt_Width;
extern int Run_Label_Width;
extern int Expand_Butt_Width;
extern int Popup_Butt_Width;
extern int To_One_Butt_Width;
extern int Page_Butt_Width;
extern int Open_Up_Butt_Width;
extern int Bottom_Butt_Width;
extern int Bottom_Butt_Height;
extern int Msg_Y_Off;
extern int Before_Div_Line_Height;
extern int After_Div_Line_Height;
extern int Left_Div_Line_Gap;
extern int Right_Div_Line_Gap;
extern int Group_Y_Off;
extern int First_Radio_Butt_X_Off;
extern int First_Radio_Butt_Y_Off;
extern int Norm_Ch_Width;
extern int Radio_Butt_Ch_Extra;
extern int Edit_Ctrl_Ch_Extra;
extern int Combo_Box_Ch_Extra;
extern int Edtbl_Combo_Box_Ch_Extra;
extern int Check_Box_Ch_Extra;
extern int VCR_Butt_Width;
extern int VCR_Butt_Height;
extern int Inter_VCR_Butt_Gap;

// The [Screen Design] keys with the settings they fill, in the order they are read.
struct TScreenMetric {
  const char* key;
  int* value;
};
constexpr int SCREEN_METRIC_COUNT = 58;
extern const TScreenMetric ScreenMetrics[SCREEN_METRIC_COUNT];
