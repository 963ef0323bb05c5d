// The parameters of a VIEW command and the "Enter Parameters" dialog that asks for them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "forms/basedlg.h"

// Kinds of a parameter: a text, a date (entered in the user's form, kept as YYYY-MM-DD),
// any other value is not asked.
constexpr double VIEW_PARAMETER_TEXT = 0;
constexpr double VIEW_PARAMETER_DATE = 1;

struct TViewParameter {
  std::string Name;
  // Before the dialog: "prompt~default" as written in the command; after OK: the value.
  std::string ValueText;
  double Kind = VIEW_PARAMETER_TEXT;
  // A text parameter whose placeholder stands outside quotes in the clause: what is typed
  // goes into the statement as it is, so only a number is taken.
  bool NumberOnly = false;
};

// True when the text is a plain number: an optional sign, digits with at most one point
// (blanks around it allowed). That is all a placeholder outside quotes may receive.
bool IsPlainNumber(const std::string& text);
// The text without its leading and trailing blanks.
std::string TrimmedBlanks(const std::string& text);

class TViewParameterList {
public:
  void Append(const TViewParameter& parameter) { items_.push_back(parameter); }
  void Remove(int index) { items_.erase(items_.begin() + index); }
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  TViewParameter& operator[](int i) { return items_[i]; }
  const TViewParameter& operator[](int i) const { return items_[i]; }

private:
  std::vector<TViewParameter> items_;
};

// Id of the first parameter's edit; each parameter, shown or not, takes the next id.
constexpr int FIRST_PARAMETER_EDIT_ID = 100;
// Longest value a text parameter keeps.
constexpr int PARAMETER_VALUE_LIMIT = 255;

// Run modal with the list as initial value (TAppWindowManager::RunModal, resource
// "GetParameters"): one prompt and edit per asked parameter; OK writes the values back,
// unless a parameter that takes only a number holds anything else: a box says which, and
// the dialog stays with the focus on that edit.
class TGetParametersDlg : public TBaseDlg {
public:
  TGetParametersDlg();
  INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnOK(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  TViewParameterList* list_ = nullptr;
};

// The prompt (before '~') and the default (after it, "curdate()" as today's date).
std::string ParameterPrompt(const std::string& valueText);
std::string ParameterDefault(const std::string& valueText);
