// Base of every dialog object: its kind, its dialog procedure, and the virtual
// operations that the dialog procedure turns the common messages into.
#pragma once

#include <windows.h>

enum TDialogKind {
  DK_GENERIC = 0,
  DK_ERRORS = 1,
  DK_EDIT_FORM = 2,
  DK_VIEW = 3,
  DK_LOOKUP = 4,
  DK_FIND_RESULTS = 5,
  DK_EXPAND = 6,
  DK_PREFERENCES = 7,
  DK_CHANGE_COLORS = 8
};

// Help context every dialog sets when it is activated, unless it has its own.
constexpr int BASE_DLG_HELP_CONTEXT = 101;

class TBaseDlg {
public:
  TBaseDlg();
  virtual ~TBaseDlg();
  virtual void Hook();
  virtual int GetKind();
  virtual INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnCtlColorStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnOK(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnCancel(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnHelpButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnImport(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR ShowHint(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR HideHint(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  TBaseDlg(const TBaseDlg&) = delete;
  TBaseDlg& operator=(const TBaseDlg&) = delete;

  // The procedure the window manager hands to Windows when it creates the dialog.
  DLGPROC DialogProc;

  // Keeps the object alive while a handler of its window asks a question or pumps
  // messages: a WM_DESTROY meanwhile detaches the window, and the object of a modeless
  // window is deleted when the outermost guard ends. After every such step the handler
  // looks at Destroyed() and, when true, returns without touching window or object.
  class TGuard {
  public:
    explicit TGuard(TBaseDlg* dialog);
    ~TGuard();
    TGuard(const TGuard&) = delete;
    TGuard& operator=(const TGuard&) = delete;

  private:
    TBaseDlg* dialog_;
  };
  bool Destroyed() const { return destroyed_; }
  bool Guarded() const { return guards_ > 0; }
  // At the end of the window's WM_DESTROY (after it is detached): the object is marked
  // destroyed; a modeless window's object is deleted now, or under a guard when it ends.
  static void ReleaseAfterDestroy(TBaseDlg* dialog, bool modal);
  // Dialog objects alive now (made and not yet deleted).
  static int LiveCount();

protected:
  int Kind;

private:
  int guards_ = 0;
  bool destroyed_ = false;
  bool deleteWhenFree_ = false;  // destroyed under a guard as a modeless window
};

INT_PTR CALLBACK BaseDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The common part of every dialog procedure. On WM_INITDIALOG the window is attached to
// the slot reserved for it; then the window's object is looked up (null: *handled is false
// and FALSE is the answer). The common messages go to the object's operations; on
// WM_DESTROY the window is detached and a modeless dialog's object deleted (*dialog is
// then null). *handled tells whether the message was one of the common ones.
INT_PTR DispatchBaseDlgMessage(TBaseDlg** dialog, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam, bool* handled);
