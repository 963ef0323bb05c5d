// Saving every program-wide setting and putting it back at the end of a test.
#include "support/saved_settings.h"

#include <cstdio>

#include "data/model/settings.h"

namespace {

std::vector<int*> Numbers() {
  std::vector<int*> numbers = {&UseForUpdateClause, &OdbcLogin,   &DisableResetAfterStore,
                               &RecListCacheSize,   &MainWindowShow, &LoginTimeOut,
                               &RaptelShow,         &RunShow,     &FieldHelp,
                               &FontSize};
  for (const TScreenMetric& metric : ScreenMetrics) numbers.push_back(metric.value);
  return numbers;
}

struct TText {
  char* text;
  size_t size;
};
std::vector<TText> Texts() {
  return {{DateFormat, sizeof DateFormat},         {TimeFormat, sizeof TimeFormat},
          {TimestampFormat, sizeof TimestampFormat}, {RaptelFilename, sizeof RaptelFilename},
          {RaptelOptions, sizeof RaptelOptions},   {RaptelVersion, sizeof RaptelVersion},
          {FontName, sizeof FontName}};
}

std::vector<const char**> Names() {
  std::vector<const char**> names = {&AboutDlgName,  &ErrorsDlgName,      &ViewDlgName,
                                     &Lookup0DlgName, &Lookup3DlgName,    &FindDlgName,
                                     &ExpandDlgName, &PreferencesDlgName, &ChangeColorsDlgName};
  for (const char*& cls : LayoutButtonClasses) names.push_back(&cls);
  return names;
}

}  // namespace

TSavedSettings::TSavedSettings() {
  for (int* number : Numbers()) numbers_.push_back(*number);
  for (const TText& text : Texts()) texts_.push_back(text.text);
  for (const char** name : Names()) names_.push_back(*name);
}

TSavedSettings::~TSavedSettings() {
  size_t k = 0;
  for (int* number : Numbers()) *number = numbers_[k++];
  k = 0;
  for (const TText& text : Texts()) snprintf(text.text, text.size, "%s", texts_[k++].c_str());
  k = 0;
  for (const char** name : Names()) *name = names_[k++];
}
