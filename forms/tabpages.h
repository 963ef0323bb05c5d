// The page set of a paged edit form: page dialogs inside the form's tab control, made the
// first time they are shown or their controls are touched, and access to their controls
// by page number and control id.
#pragma once

#include <windows.h>

struct TEntity;

// Pages a form can have: page numbers 0 to 19.
constexpr int MAX_FORM_PAGES = 20;

// The set lives as long as its form: the form creates it, fills it, attaches it (the set's
// address becomes the user data of the form window and of its tab control) and deletes it
// when the form's object goes. The pages are the form's: none is a window of the window
// manager's own (see CreatePage).
class TTabPages {
public:
  TTabPages();
  ~TTabPages();
  TTabPages(const TTabPages&) = delete;
  TTabPages& operator=(const TTabPages&) = delete;

  // Gives page n its template (locked here, unlocked with the set), its dialog procedure
  // and the parameter recorded as the page's object. False (with a warning) outside 0-19.
  bool SetPage(int page, HGLOBAL pageTemplate, DLGPROC procedure, void* parameter);
  // Makes the set reachable from the form window and the tab control.
  void Attach(HWND form, HWND tabControl);
  // The whole set-up of a paged entity's form: for pages 0 to the entity's page count a
  // tab with the page's caption and the generated template "Edit_<entity>__<n>", then
  // Attach with the tab control 21000. False when the form has no tab control.
  bool Install(HWND form, const TEntity* entity, DLGPROC procedure, void* parameter);

  // The set whose address the window's user data holds, or null (also for any other data).
  static TTabPages* FromWindow(HWND window);
  // The window to record as owner of a dialog opened from the window: the form when the
  // window is a paged form, its tab control or stands on one of its pages, else the window.
  static HWND OwnerFor(HWND window);

  // The page's window, made (hidden and disabled, as its template is) when it does not
  // exist yet; null for a page outside the set (with a warning) or when it cannot be made.
  HWND EnsurePage(int page);
  // Shows the page the tab control has selected (the form calls it once when it starts,
  // without focus, and on TCN_SELCHANGE, with focus): the current page is hidden and
  // disabled, the selected one made if needed, shown, enabled and given the focus.
  static void OnTabChange(void* formObject, HWND formWindow, bool setFocus);

  // Controls of a page, each after EnsurePage; nothing happens for a page that cannot be had.
  HWND GetItem(int page, int id);
  BOOL SetItemText(int page, int id, const char* text);
  UINT GetItemText(int page, int id, char* buffer, int size);
  BOOL EnableItem(int page, int id, BOOL enable);
  LRESULT SendItemMessage(int page, int id, UINT message, WPARAM wParam, LPARAM lParam);
  UINT IsButtonChecked(int page, int id);
  BOOL CheckRadio(int page, int firstId, int lastId, int id);
  BOOL CheckButton(int page, int id, int state);
  LRESULT SetDateFormat(int page, int id, const char* format);
  LRESULT SetDateTime(int page, int id, DWORD flag, const SYSTEMTIME* time);
  LRESULT GetDateTime(int page, int id, SYSTEMTIME* time);

  HWND TabControl() const { return tabControl_; }
  HWND CurrentPage() const { return currentPage_; }
  HWND Form() const { return form_; }
  // The window of page n, null while it has not been made (or outside the set).
  HWND PageWindow(int page) const;

private:
  bool IsPageNumber(int page) const;
  // Makes page n inside the form, placed in the tab control's display area; for a control
  // access only when the window manager has a free slot.
  HWND CreatePage(int page, bool reserveSlot);
  void PlaceInTab(HWND page) const;

  HWND tabControl_ = nullptr;
  HWND currentPage_ = nullptr;
  HWND pages_[MAX_FORM_PAGES] = {};
  HWND form_ = nullptr;
  HGLOBAL templateHandles_[MAX_FORM_PAGES] = {};
  LPCDLGTEMPLATEA templates_[MAX_FORM_PAGES] = {};
  DLGPROC procedures_[MAX_FORM_PAGES] = {};
  void* parameters_[MAX_FORM_PAGES] = {};
};
