// The preference store and the sixteen preferences: defaults, the INI file, the user's
// rows over it, saving (twice), empty rows and a missing or too narrow table.
#include <gtest/gtest.h>

#include <string>

#include "data/core/strings.h"
#include "data/core/userprofile.h"
#include "forms/preferences.h"
#include "shell/preferencestore.h"
#include "support/record_test_db.h"

namespace {

class PreferenceTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    Preferences = TPreferences{};
    UseModel({PreferenceEntity("VARCHAR(40)")}, {});
    Db().Exec("CREATE TABLE User_Preferences (USER_ID VARCHAR(20), Pref_Name VARCHAR(40), "
              "Pref_Setting VARCHAR(40))");
    SetUser("ann");
  }
  void TearDown() override {
    Preferences = TPreferences{};
    SetUser("");
    RecordDatabaseTest::TearDown();
  }
  static TEntitySpec PreferenceEntity(const char* settingType) {
    return {"User_Preferences", {{"USER_ID", "VARCHAR(20)"}, {"Pref_Name"}, {"Pref_Setting", settingType}}, {}};
  }
  static void SetUser(const char* user) { ReplaceString(&CurrentUser.UserId, user); }
  void Row(const std::string& user, const std::string& name, const std::string& setting) {
    Db().Exec("INSERT INTO User_Preferences VALUES ('" + user + "','" + name + "'," + setting + ")");
  }
  std::string Setting(const std::string& user, const std::string& name) {
    return Db().Query("SELECT Pref_Setting FROM User_Preferences WHERE USER_ID='" + user +
                      "' AND Pref_Name='" + name + "'");
  }
  std::string Ini(const std::string& lines) { return dir_.Write("vorn.ini", "[Preferences]\r\n" + lines); }
  TScratchDir dir_{"prefs"};
};

TEST_P(PreferenceTest, WithoutIniOrRowsEveryPreferenceKeepsItsDefault) {
  LoadPreferences(dir_.File("missing.ini").c_str());
  const TPreferences& p = Preferences;
  EXPECT_EQ(p.AutoClose, TAutoClose::Never);
  EXPECT_EQ(p.WarnOnFind, TFindWarning::Never);
  EXPECT_EQ(p.IfKeysAreChanged, TKeyChangeRule::AskInsertByDefault);
  EXPECT_FALSE(p.AutoFind || p.AutoRecalc || p.AllowCascadedUpdates || p.AllowCascadedDeletes ||
               p.PromptBeforeUpdate || p.PromptBeforeDelete || p.SkipListBoxIfSingleFind ||
               p.SkipListBoxIfSingleView);
  EXPECT_EQ(p.WindowBackground, 2);
  EXPECT_EQ(p.MandatoryFieldsColoring, 1);
  EXPECT_EQ(p.SpecialFieldsColor, 0xFF0000u);
  EXPECT_EQ(p.ErrorMessagesColor, 0x0000FFu);
  EXPECT_EQ(p.InfoMessagesColor, 0xFF00FFu);
}

TEST_P(PreferenceTest, TheUsersRowsWinOverTheIniFileWhichWinsOverTheDefaults) {
  std::string ini = Ini("Auto_Close=2\r\nWarn_On_Find=1\r\nIf_Keys_Are_Changed=1\r\n"
                        "Window_Background=0\r\nSpecial_Fields_Color=00ff00\r\n"
                        "Error_Messages_Color=abc\r\n");
  Row("ann", "Auto_Close", "'1'");
  Row("ann", "Window_Background", "'1'");
  Row("ann", "Special_Fields_Color", "'ff'");
  Row("bob", "Warn_On_Find", "'0'");  // another user's row counts for nothing here
  LoadPreferences(ini.c_str());
  EXPECT_EQ(Preferences.AutoClose, TAutoClose::WhenOpenedFromList);  // row over INI
  EXPECT_EQ(Preferences.WarnOnFind, TFindWarning::NoCriteria);       // INI
  EXPECT_EQ(Preferences.IfKeysAreChanged, TKeyChangeRule::AlwaysUpdate);
  EXPECT_EQ(Preferences.WindowBackground, 1);
  EXPECT_EQ(Preferences.SpecialFieldsColor, 0x0000FFu);  // "ff", hexadecimal
  EXPECT_EQ(Preferences.ErrorMessagesColor, 0xABCu);
  EXPECT_EQ(Preferences.InfoMessagesColor, 0xFF00FFu);

  // A second load (after a new login) starts from the values the first one left.
  Db().Exec("DELETE FROM User_Preferences");
  LoadPreferences(dir_.File("missing.ini").c_str());
  EXPECT_EQ(Preferences.AutoClose, TAutoClose::WhenOpenedFromList);
  EXPECT_EQ(Preferences.SpecialFieldsColor, 0x0000FFu);
}

TEST_P(PreferenceTest, EmptyNullOrUnreadableRowsKeepTheValueBeforeThem) {
  std::string ini = Ini("If_Keys_Are_Changed=3\r\nError_Messages_Color=123456\r\n");
  Row("ann", "If_Keys_Are_Changed", "''");
  Row("ann", "Window_Background", "NULL");
  Row("ann", "Mandatory_Fields_Coloring", "'yes'");
  Row("ann", "Error_Messages_Color", "''");
  Row("ann", "Info_Messages_Color", "'not hex'");
  LoadPreferences(ini.c_str());
  EXPECT_EQ(Preferences.IfKeysAreChanged, TKeyChangeRule::AskUpdateByDefault);
  EXPECT_EQ(Preferences.WindowBackground, 2);
  EXPECT_EQ(Preferences.MandatoryFieldsColoring, 1);
  EXPECT_EQ(Preferences.ErrorMessagesColor, 0x123456u);
  EXPECT_EQ(Preferences.InfoMessagesColor, 0xFF00FFu);
}

TEST_P(PreferenceTest, SavingInsertsSixteenRowsThenUpdatesThemWithTheNewValues) {
  Preferences.AutoClose = TAutoClose::Always;
  Preferences.PromptBeforeDelete = true;
  Preferences.InfoMessagesColor = 0xFF;
  ASSERT_TRUE(SavePreferences());
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM User_Preferences WHERE USER_ID='ann'"), "16");
  EXPECT_EQ(Setting("ann", "Auto_Close"), "2");
  EXPECT_EQ(Setting("ann", "Prompt_Before_Delete"), "1");
  EXPECT_EQ(Setting("ann", "Mandatory_Fields_Coloring"), "1");
  EXPECT_EQ(Setting("ann", "Special_Fields_Color"), "FF0000");
  EXPECT_EQ(Setting("ann", "Info_Messages_Color"), "FF");

  // The second save writes the changed values over the rows of the first.
  Preferences.AutoClose = TAutoClose::Never;
  Preferences.PromptBeforeDelete = false;
  Preferences.InfoMessagesColor = 0xABCDEF;
  ASSERT_TRUE(SavePreferences());
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM User_Preferences"), "16");
  EXPECT_EQ(Setting("ann", "Auto_Close"), "0");
  EXPECT_EQ(Setting("ann", "Prompt_Before_Delete"), "0");
  EXPECT_EQ(Setting("ann", "Info_Messages_Color"), "ABCDEF");

  // Another user keeps rows of their own under the same names.
  SetUser("bob");
  Preferences.AutoClose = TAutoClose::Always;
  ASSERT_TRUE(SavePreferences());
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM User_Preferences"), "32");
  EXPECT_EQ(Setting("ann", "Auto_Close"), "0");
  EXPECT_EQ(Setting("bob", "Auto_Close"), "2");

  // What was saved loads back.
  Preferences = TPreferences{};
  SetUser("ann");
  LoadPreferences(dir_.File("missing.ini").c_str());
  EXPECT_EQ(Preferences.InfoMessagesColor, 0xABCDEFu);
  EXPECT_EQ(Preferences.AutoClose, TAutoClose::Never);
}

TEST_P(PreferenceTest, WarnOnFindKeepsItsStoredValues) {
  struct TCase {
    const char* stored;
    TFindWarning loaded;
    const char* saved;
  } cases[] = {{"'0'", TFindWarning::Never, "0"},
               {"'1'", TFindWarning::NoCriteria, "1"},
               {"'2'", TFindWarning::NoCriteriaOrNotIndexed, "2"},
               {"'7'", static_cast<TFindWarning>(7), "7"}};  // no radio of its own: kept
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.stored);
    Db().Exec("DELETE FROM User_Preferences");
    Row("ann", "Warn_On_Find", c.stored);
    LoadPreferences(dir_.File("missing.ini").c_str());
    EXPECT_EQ(Preferences.WarnOnFind, c.loaded);
    ASSERT_TRUE(SavePreferences());
    EXPECT_EQ(Setting("ann", "Warn_On_Find"), c.saved);
  }
  LoadPreferences(Ini("Warn_On_Find=2\r\n").c_str());
  EXPECT_EQ(long(Preferences.WarnOnFind), 7);  // the row of the last save wins
  Db().Exec("DELETE FROM User_Preferences");
  LoadPreferences(Ini("Warn_On_Find=2\r\n").c_str());
  EXPECT_EQ(Preferences.WarnOnFind, TFindWarning::NoCriteriaOrNotIndexed);
}

TEST_P(PreferenceTest, TheStoreSettersAndGettersRoundTrip) {
  TPreferenceStore& store = PreferenceStore;
  ASSERT_TRUE(store.SetDouble("", "Ratio", 2.5));  // no login: the empty user id
  ASSERT_TRUE(store.SetLong("", "Big", -70000L));
  ASSERT_TRUE(store.SetString("", "Text", "it's"));
  EXPECT_DOUBLE_EQ(store.GetDouble("", "Ratio", 0), 2.5);
  EXPECT_EQ(store.GetLong("", "Big", 0), -70000L);
  EXPECT_EQ(store.GetInt("", "Big", 0), -70000);
  EXPECT_EQ(store.GetString("", "Text", "x"), "it's");
  EXPECT_EQ(store.GetString("", "Missing", "fallback"), "fallback");
  EXPECT_EQ(store.GetInt("", "Text", 7), 7);  // not a number
  ASSERT_TRUE(store.SetInt("", "Big", 3));
  EXPECT_EQ(store.GetInt("", "Big", 0), 3);
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM User_Preferences WHERE Pref_Name='Big'"), "1");
}

TEST_P(PreferenceTest, AMissingTableIsReportedAndLoadingKeepsTheIniValues) {
  Db().Exec("DROP TABLE User_Preferences");
  EXPECT_FALSE(PreferenceStore.SetInt("ann", "Auto_Close", 1));
  EXPECT_FALSE(SavePreferences());
  std::string ini = Ini("Auto_Close=2\r\nInfo_Messages_Color=1\r\n");
  LoadPreferences(ini.c_str());
  EXPECT_EQ(Preferences.AutoClose, TAutoClose::Always);
  EXPECT_EQ(Preferences.InfoMessagesColor, 0x1u);
}

TEST_P(PreferenceTest, ASettingWiderThanItsColumnIsRefusedNotCut) {
  UseModel({PreferenceEntity("VARCHAR(4)")}, {});
  EXPECT_TRUE(PreferenceStore.SetString("ann", "Short", "FF"));
  EXPECT_FALSE(PreferenceStore.SetString("ann", "Special_Fields_Color", "FF0000"));
  EXPECT_FALSE(SavePreferences());
  EXPECT_EQ(Setting("ann", "Special_Fields_Color"), "<none>");
}

// A save is one transaction: a row that cannot be written (refused here for its width,
// there by the server) leaves every row as it was before the save, inserted or updated.
TEST_P(PreferenceTest, ASaveThatFailsPartWayWritesNoRowAtAll) {
  struct TCase {
    const char* what;
    const char* settingType;
    const char* check;
  } cases[] = {
      {"a colour too wide for its column", "VARCHAR(4)", ""},
      {"a row the server refuses", "VARCHAR(40)", ", CHECK (Pref_Name <> 'Error_Messages_Color')"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    Db().Exec("DROP TABLE User_Preferences");
    Db().Exec(std::string("CREATE TABLE User_Preferences (USER_ID VARCHAR(20), Pref_Name VARCHAR(40), "
                          "Pref_Setting ") + c.settingType + c.check + ")");
    UseModel({PreferenceEntity(c.settingType)}, {});
    Preferences = TPreferences{};
    Preferences.SpecialFieldsColor = 0xFF;
    Preferences.ErrorMessagesColor = 0xAB;
    EXPECT_FALSE(SavePreferences());
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM User_Preferences"), "0");

    // Over rows saved before, the failing save changes none of them.
    Row("ann", "Auto_Close", "'1'");
    Row("ann", "Special_Fields_Color", "'FF'");
    Preferences.AutoClose = TAutoClose::Always;
    Preferences.SpecialFieldsColor = 0xFF00;
    Preferences.ErrorMessagesColor = 0xABCDEF;
    EXPECT_FALSE(SavePreferences());
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM User_Preferences"), "2");
    EXPECT_EQ(Setting("ann", "Auto_Close"), "1");
    EXPECT_EQ(Setting("ann", "Special_Fields_Color"), "FF");
  }
}

TEST_P(PreferenceTest, WithoutTheEntityTheDatabaseIsNotConsulted) {
  UseModel({{"OTHER", {{"ID"}}, {}}}, {});
  Row("ann", "Auto_Close", "'2'");
  LoadPreferences(Ini("Warn_On_Find=1\r\n").c_str());
  EXPECT_EQ(Preferences.AutoClose, TAutoClose::Never);
  EXPECT_EQ(Preferences.WarnOnFind, TFindWarning::NoCriteria);
  EXPECT_FALSE(SavePreferences());
}

INSTANTIATE_DATABASE_TESTS(PreferenceTest);

}  // namespace
