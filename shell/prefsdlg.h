// The "Preferences" dialog and its "Change Colors" dialog: the user's preferences for this
// run (OK) or for this run and in the database (Save).
#pragma once

#include <windows.h>

#include <commdlg.h>

#include "forms/basedlg.h"

constexpr int PREFERENCES_HELP_CONTEXT = 105;
constexpr int CHANGE_COLORS_HELP_CONTEXT = 153;
constexpr int CHOOSE_COLOR_HELP_CONTEXT = 155;

// Results of the preferences dialog.
enum TPreferencesResult { PREFERENCES_CANCELLED = 0, PREFERENCES_APPLIED = 1, PREFERENCES_SAVED = 2 };

// The five settings the change colours dialog edits: the preferences dialog's working copy.
struct TColourSettings {
  long WindowBackground = 2;
  long MandatoryFieldsColoring = 1;
  COLORREF SpecialFieldsColor = 0;
  COLORREF ErrorMessagesColor = 0;
  COLORREF InfoMessagesColor = 0;
};

class TPreferencesDlg : public TBaseDlg {
public:
  TPreferencesDlg();
  INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnCtlColorStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnOK(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnCancel(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR ShowHint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Change Colours: the colours dialog on the working copy.
  void OpenColours(HWND window);
  // Save: asks, then applies the controls and the working copy and writes them for the
  // current user; a save that fails is reported (the values still apply for this run).
  void OnSave(HWND window);
  // The controls from the preferences, and the preferences from the controls.
  void LoadControls(HWND window);
  void ReadControls(HWND window);

  TColourSettings& Colours() { return colours_; }

private:
  void ApplyColours();
  TColourSettings colours_;
};

INT_PTR CALLBACK PreferencesDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class TChangeColorsDlg : public TBaseDlg {
public:
  explicit TChangeColorsDlg(TColourSettings* record);
  ~TChangeColorsDlg() override;
  INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnCtlColorStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnOK(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnCancel(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR ShowHint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // The colour chooser for the selected item; the sample is repainted in any case.
  void ChooseItemColour(HWND window);
  // The colour of the selected item (white when none is selected).
  COLORREF SelectedColour(HWND window) const;

private:
  TColourSettings* record_;
  COLORREF colours_[3];
  HBRUSH sampleBrush_ = nullptr;
};

INT_PTR CALLBACK ChangeColorsDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The colour chooser (ChooseColorA); tests put their own in its place.
using TChooseColorCall = BOOL(WINAPI*)(CHOOSECOLORA* choice);
extern TChooseColorCall ChooseColorCall;

// The PREFERENCES command: the dialog, modal, owned by the main window; after OK or Save
// the dialog background is made again and every open dialog repainted. Its result.
int RunPreferencesDialog(HWND mainWindow);
