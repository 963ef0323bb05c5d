// Settings from the model parameters of a real model file and from real INI files:
// precedence INI over model parameter over built-in default, and hover help switching
// dialog names and button classes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "support/dmd_writer.h"
#include "support/saved_settings.h"
#include "support/scratch_dir.h"

namespace {

using TParams = std::vector<std::pair<std::string, std::string>>;

const char* const ButtonAtom = MAKEINTRESOURCEA(0x80);

class Settings : public ::testing::Test {
protected:
  void TearDown() override { TheModel.Clear(); }

  // Writes a model file holding only these parameters, loads it and applies them.
  void Apply(const TParams& params) {
    TDmdWriter dmd;
    dmd.EntityCount(0).ParamCount(static_cast<int>(params.size()));
    for (const auto& p : params) dmd.Param(p.first, p.second);
    dmd.End();
    const std::string path = dir_.File("model.dmd");
    ASSERT_TRUE(dmd.Save(path));
    ASSERT_EQ(LoadModelFile(TheModel, path.c_str()), 1);
    ASSERT_EQ(TheModel.ParamCount, static_cast<int>(params.size()));
    ApplyModelParameters();
  }
  std::string Ini(const std::string& content) { return dir_.Write("VORN.INI", content); }

  TSavedSettings saved_;
  TScratchDir dir_{"settings"};
};

TEST_F(Settings, SwitchesAreTrueOnTYOrOneAsFirstLetter) {
  const struct {
    const char* value;
    int expected;
  } cases[] = {{"T", 1},  {"true", 1}, {"y", 1},  {"Yes", 1}, {"1", 1},   {"10", 1},
               {"F", 0},  {"No", 0},   {"0", 0},  {"", 0},    {" Y", 0},  {"x", 0}};
  for (const auto& c : cases) {
    TSavedSettings restore;
    UseForUpdateClause = OdbcLogin = DisableResetAfterStore = 1 - c.expected;
    Apply({{"USE_FOR_UPDATE_CLAUSE", c.value},
           {"ODBC_LOGIN", c.value},
           {"DISABLE_RESET_AFTER_STORE", c.value}});
    EXPECT_EQ(UseForUpdateClause, c.expected) << c.value;
    EXPECT_EQ(OdbcLogin, c.expected) << c.value;
    EXPECT_EQ(DisableResetAfterStore, c.expected) << c.value;
  }
}

TEST_F(Settings, NamesAreCaseSensitiveAndTheLaterOfTwoWins) {
  Apply({{"use_for_update_clause", "true"},
         {"Odbc_Login", "Y"},
         {"DISABLE_RESET_AFTER_STORE", "Y"},
         {"DISABLE_RESET_AFTER_STORE", "N"},
         {"FONT_SIZE", "12"},
         {"FONT_SIZE", "9"},
         {"ODBC_TRUNC_SPACES", "Y"},
         {"ORDER_BY_IN_MEMORY", "Y"},
         {"MULTI_PART_INDEXES", "Y"},
         {"PAGE:Customer:1", "&Money"},
         {"Init_Dlg_X", "99"}});
  EXPECT_EQ(UseForUpdateClause, 0);
  EXPECT_EQ(OdbcLogin, 0);
  EXPECT_EQ(DisableResetAfterStore, 0);
  EXPECT_EQ(FontSize, 9);
  EXPECT_EQ(Init_Dlg_X, 30);  // screen metrics come from the INI file only
  EXPECT_EQ(RecListCacheSize, 1024);
}

TEST_F(Settings, TextAndNumberParameters) {
  const std::string longName(200, 'N');
  Apply({{"FONT_NAME", longName},
         {"FONT_SIZE", "10pt"},
         {"RECLIST_CACHE_SIZE", "500"},
         {"DATE_FORMAT", ""},
         {"TIME_FORMAT", "HH12:MI AM"},
         {"TIMESTAMP_FORMAT", "YYYY-MM-DD HH24:MI"}});
  EXPECT_EQ(std::string(FontName), longName.substr(0, sizeof FontName - 1));
  EXPECT_EQ(FontSize, 10);
  EXPECT_EQ(RecListCacheSize, 500);
  EXPECT_STREQ(DateFormat, "DD/MM/YY");  // an empty format parameter is ignored
  EXPECT_STREQ(TimeFormat, "HH12:MI AM");
  EXPECT_STREQ(TimestampFormat, "YYYY-MM-DD HH24:MI");

  TSavedSettings restore;
  Apply({{"FONT_NAME", ""}, {"RECLIST_CACHE_SIZE", "many"}});
  EXPECT_STREQ(FontName, "");
  EXPECT_EQ(RecListCacheSize, 0);
}

TEST_F(Settings, FieldHelpSwitchesTheDialogNamesAndButtonClasses) {
  const std::vector<const char**> names = {&AboutDlgName,   &ErrorsDlgName,      &ViewDlgName,
                                           &Lookup0DlgName, &Lookup3DlgName,     &FindDlgName,
                                           &ExpandDlgName,  &PreferencesDlgName, &ChangeColorsDlgName};
  const char* const plain[] = {"AboutDlg",   "ErrorsDlg", "ViewDlg",        "Lookup0Dlg",     "Lookup3Dlg",
                               "FindDlg",    "ExpandDlg", "PreferencesDlg", "ChangeColorsDlg"};
  const struct {
    const char* value;  // null: no FIELD_HELP parameter at all
    int on;
  } cases[] = {{"No", 0}, {"0", 0}, {"1", 1}, {"Yes", 1}, {"", 1}, {nullptr, 1}};
  for (const auto& c : cases) {
    TSavedSettings restore;
    const std::string label = c.value ? c.value : "(none)";
    Apply(c.value ? TParams{{"FIELD_HELP", c.value}} : TParams{});
    EXPECT_EQ(FieldHelp, c.on) << label;
    for (size_t k = 0; k < names.size(); ++k)
      EXPECT_EQ(std::string(*names[k]), std::string(plain[k]) + (c.on ? "S" : "")) << label;
    for (const char* cls : LayoutButtonClasses) {
      if (c.on) {
        EXPECT_STREQ(cls, "ZKWButton") << label;
      } else {
        EXPECT_EQ(cls, ButtonAtom) << label;
      }
    }
  }
}

// The first class is switched on its own; the second decides for the other four.
TEST_F(Settings, OnlyPlainButtonClassesAreSwitched) {
  const struct {
    const char* before[LAYOUT_BUTTON_CLASS_COUNT];
    const char* after[LAYOUT_BUTTON_CLASS_COUNT];
  } cases[] = {
      {{"button", "BUTTON", "Button", ButtonAtom, "Static"},
       {"ZKWButton", "ZKWButton", "ZKWButton", "ZKWButton", "ZKWButton"}},
      {{"MyButton", ButtonAtom, "Static", "Static", "Static"},
       {"MyButton", "ZKWButton", "ZKWButton", "ZKWButton", "ZKWButton"}},
      {{ButtonAtom, "Static", ButtonAtom, ButtonAtom, ButtonAtom},
       {"ZKWButton", "Static", ButtonAtom, ButtonAtom, ButtonAtom}},
      {{MAKEINTRESOURCEA(0x81), "ButtonX", ButtonAtom, ButtonAtom, ButtonAtom},
       {MAKEINTRESOURCEA(0x81), "ButtonX", ButtonAtom, ButtonAtom, ButtonAtom}},
  };
  for (const auto& c : cases) {
    TSavedSettings restore;
    for (int k = 0; k < LAYOUT_BUTTON_CLASS_COUNT; ++k) LayoutButtonClasses[k] = c.before[k];
    Apply({{"FIELD_HELP", "T"}});
    for (int k = 0; k < LAYOUT_BUTTON_CLASS_COUNT; ++k) {
      const char* got = LayoutButtonClasses[k];
      const char* want = c.after[k];
      if (IS_INTRESOURCE(want)) {
        EXPECT_EQ(got, want) << k;
      } else {
        EXPECT_STREQ(IS_INTRESOURCE(got) ? "(atom)" : got, want) << k;
      }
    }
  }
}

TEST_F(Settings, IniOverridesModelParameterOverridesDefault) {
  const std::string withKey = Ini("[General]\r\nRecList_Cache_Size=200\r\n");
  {
    TSavedSettings restore;
    ReadApplicationIni(dir_.File("absent.ini").c_str());
    EXPECT_EQ(RecListCacheSize, 1024);
    ReadApplicationIni(withKey.c_str());
    EXPECT_EQ(RecListCacheSize, 200);
  }
  {
    TSavedSettings restore;
    Apply({{"RECLIST_CACHE_SIZE", "500"}});
    ReadApplicationIni(withKey.c_str());
    EXPECT_EQ(RecListCacheSize, 200);
  }
  {
    TSavedSettings restore;
    Apply({{"RECLIST_CACHE_SIZE", "500"}, {"DATE_FORMAT", "YYYY-MM-DD"}});
    ReadApplicationIni(Ini("[General]\r\nLogin_Time_Out=15\r\n").c_str());
    EXPECT_EQ(RecListCacheSize, 500);
    EXPECT_STREQ(DateFormat, "YYYY-MM-DD");
    EXPECT_EQ(LoginTimeOut, 15);
  }
}

TEST_F(Settings, AnEmptyIniTextIsAnEmptySetting) {
  Apply({{"DATE_FORMAT", "YYYY-MM-DD"}});
  ReadApplicationIni(Ini("[General]\nDate_Format=\n[RAPTEL]\nFilename=\n").c_str());
  EXPECT_STREQ(DateFormat, "");
  EXPECT_STREQ(RaptelFilename, "");
  EXPECT_STREQ(TimeFormat, "HH24:MI:SS");
  EXPECT_STREQ(RaptelVersion, "32");
}

TEST_F(Settings, TheIniFileSetsEveryKeyOfItsSections) {
  std::string ini =
      "[General]\nRecList_Cache_Size=64\nShow=3\nLogin_Time_Out=5\nDate_Format=DD-MON-YYYY\n"
      "Time_Format=HH12:MI AM\nTimeStamp_Format=YYYY-MM-DD HH24:MI:SS\n"
      "[RAPTEL]\nFilename=C:\\Reports\\REP.EXE\nOptions=/q /x\nShow=7\nVersion=16\n"
      "[Run]\nShow=2\n[Screen Design]\n";
  for (int k = 0; k < SCREEN_METRIC_COUNT; ++k)
    ini += std::string(ScreenMetrics[k].key) + "=" + std::to_string(100 + k) + "\n";
  ReadApplicationIni(Ini(ini).c_str());
  EXPECT_EQ(RecListCacheSize, 64);
  EXPECT_EQ(MainWindowShow, 3);
  EXPECT_EQ(LoginTimeOut, 5);
  EXPECT_STREQ(DateFormat, "DD-MON-YYYY");
  EXPECT_STREQ(TimeFormat, "HH12:MI AM");
  EXPECT_STREQ(TimestampFormat, "YYYY-MM-DD HH24:MI:SS");
  EXPECT_STREQ(RaptelFilename, "C:\\Reports\\REP.EXE");
  EXPECT_STREQ(RaptelOptions, "/q /x");
  EXPECT_EQ(RaptelShow, 7);
  EXPECT_STREQ(RaptelVersion, "16");
  EXPECT_EQ(RunShow, 2);
  for (int k = 0; k < SCREEN_METRIC_COUNT; ++k)
    EXPECT_EQ(*ScreenMetrics[k].value, 100 + k) << ScreenMetrics[k].key;
  // A few metrics by name, to tie the table to the settings the layout reads.
  EXPECT_EQ(Init_Dlg_X, 100);
  EXPECT_EQ(Norm_Dlg_Width, 100 + 22);
  EXPECT_EQ(Inter_VCR_Butt_Gap, 100 + 57);
}

TEST_F(Settings, AbsentKeysKeepTheirValuesAndNonNumbersReadAsZero) {
  int before[SCREEN_METRIC_COUNT];
  for (int k = 0; k < SCREEN_METRIC_COUNT; ++k) before[k] = *ScreenMetrics[k].value;
  ReadApplicationIni(Ini("[Screen Design]\nLeft_Gap=abc\nTop_Gap=7\n[Run]\nShow=x\n").c_str());
  EXPECT_EQ(Left_Gap, 0);
  EXPECT_EQ(Top_Gap, 7);
  EXPECT_EQ(RunShow, 0);
  EXPECT_EQ(RaptelShow, 1);
  for (int k = 0; k < SCREEN_METRIC_COUNT; ++k)
    if (ScreenMetrics[k].value != &Left_Gap && ScreenMetrics[k].value != &Top_Gap) {
      EXPECT_EQ(*ScreenMetrics[k].value, before[k]) << ScreenMetrics[k].key;
    }
}

TEST_F(Settings, LongIniTextsAreCutToTheirSetting) {
  const std::string longText(3000, 'F');
  ReadApplicationIni(
      Ini("[General]\nDate_Format=" + longText + "\n[RAPTEL]\nVersion=" + longText + "\n").c_str());
  EXPECT_EQ(std::string(DateFormat), longText.substr(0, sizeof DateFormat - 1));
  EXPECT_EQ(std::string(RaptelVersion), longText.substr(0, sizeof RaptelVersion - 1));
}

}  // namespace
