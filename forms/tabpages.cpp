// The page set of a paged edit form.
#include "forms/tabpages.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "data/core/messages.h"
#include "data/model/model.h"
#include "forms/controlids.h"
#include "forms/edittemplates.h"
#include "forms/windowmanager.h"

namespace {

// The sets alive now: only their addresses count as page sets in a window's user data.
std::vector<TTabPages*> liveSets;

}  // namespace

TTabPages::TTabPages() { liveSets.push_back(this); }

TTabPages::~TTabPages() {
  liveSets.erase(std::remove(liveSets.begin(), liveSets.end(), this), liveSets.end());
  for (HGLOBAL handle : templateHandles_)
    if (handle) GlobalUnlock(handle);
  for (HWND window : {form_, tabControl_})
    if (window && IsWindow(window) && FromWindow(window) == nullptr)
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
}

bool TTabPages::IsPageNumber(int page) const {
  if (page >= 0 && page < MAX_FORM_PAGES) return true;
  char number[16];
  snprintf(number, sizeof number, "%d", page);
  WarningBox("There is no form page ", number);
  return false;
}

bool TTabPages::SetPage(int page, HGLOBAL pageTemplate, DLGPROC procedure, void* parameter) {
  if (!IsPageNumber(page)) return false;
  if (templateHandles_[page]) GlobalUnlock(templateHandles_[page]);
  templateHandles_[page] = pageTemplate;
  templates_[page] =
      pageTemplate ? static_cast<LPCDLGTEMPLATEA>(GlobalLock(pageTemplate)) : nullptr;
  procedures_[page] = procedure;
  parameters_[page] = parameter;
  return true;
}

void TTabPages::Attach(HWND form, HWND tabControl) {
  form_ = form;
  tabControl_ = tabControl;
  for (HWND window : {form, tabControl})
    if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

bool TTabPages::Install(HWND form, const TEntity* entity, DLGPROC procedure, void* parameter) {
  HWND tab = GetDlgItem(form, TAB_CONTROL_ID);
  if (!tab) return false;
  const int last = std::min(entity->PageCount, MAX_FORM_PAGES - 1);
  for (int page = 0; page <= last; ++page) {
    std::string caption = PageCaption(entity, page);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(tab, TCM_INSERTITEMA, page, reinterpret_cast<LPARAM>(&item));
    SetPage(page, FindEditFormTemplate(EditFormTemplateName(entity, page).c_str()), procedure,
            parameter);
  }
  Attach(form, tab);
  return true;
}

TTabPages* TTabPages::FromWindow(HWND window) {
  if (!window) return nullptr;
  auto* data = reinterpret_cast<TTabPages*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!data) return nullptr;
  return std::find(liveSets.begin(), liveSets.end(), data) != liveSets.end() ? data : nullptr;
}

HWND TTabPages::OwnerFor(HWND window) {
  // A page is a child of the form; the tab control and the form carry the set.
  for (HWND w = window; w; w = (GetWindowLongA(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr) {
    if (TTabPages* set = FromWindow(w)) return set->form_ ? set->form_ : window;
  }
  return window;
}

HWND TTabPages::PageWindow(int page) const {
  return page >= 0 && page < MAX_FORM_PAGES ? pages_[page] : nullptr;
}

void TTabPages::PlaceInTab(HWND page) const {
  if (!tabControl_) return;
  RECT area;
  GetWindowRect(tabControl_, &area);
  MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&area), 2);
  SendMessageA(tabControl_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  SetWindowPos(page, HWND_TOP, area.left, area.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

// A page made for a control access reserves a window-manager slot, so that a full table
// refuses it as it refuses a dialog; one made by a tab change does not. Either way the
// page never becomes a window of the manager's own: its procedure does not attach it, and
// the reservation is given back once the page exists. The form is the window the manager
// knows, and refreshes, closes and counts.
HWND TTabPages::CreatePage(int page, bool reserveSlot) {
  if (!templates_[page] || !form_) return nullptr;
  const int slot = reserveSlot ? AppWindowManager.Reserve(parameters_[page], form_, 0, page) : -1;
  if (reserveSlot && slot < 0) return nullptr;  // the window manager has said so
  HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), templates_[page], form_,
                                           procedures_[page], 0);
  if (reserveSlot) AppWindowManager.CancelReservation(slot);
  if (!window) return nullptr;
  PlaceInTab(window);
  pages_[page] = window;
  return window;
}

HWND TTabPages::EnsurePage(int page) {
  if (!IsPageNumber(page)) return nullptr;
  if (pages_[page] && !IsWindow(pages_[page])) pages_[page] = nullptr;
  return pages_[page] ? pages_[page] : CreatePage(page, true);
}

void TTabPages::OnTabChange(void*, HWND formWindow, bool setFocus) {
  TTabPages* set = FromWindow(formWindow);
  if (!set || !set->tabControl_) return;
  const int selected = static_cast<int>(SendMessageA(set->tabControl_, TCM_GETCURSEL, 0, 0));
  if (selected < 0) return;  // no tab selected: the current page stays
  if (!set->IsPageNumber(selected)) return;
  if (set->pages_[selected] && !IsWindow(set->pages_[selected])) set->pages_[selected] = nullptr;
  HWND page = set->pages_[selected] ? set->pages_[selected] : set->CreatePage(selected, false);
  if (!page) return;
  if (set->currentPage_ && IsWindow(set->currentPage_)) {
    ShowWindow(set->currentPage_, SW_HIDE);
    EnableWindow(set->currentPage_, FALSE);
    UpdateWindow(set->currentPage_);
  }
  ShowWindow(page, SW_SHOW);
  set->currentPage_ = page;
  EnableWindow(page, TRUE);
  UpdateWindow(page);
  if (setFocus) SetFocus(page);
}

HWND TTabPages::GetItem(int page, int id) {
  HWND window = EnsurePage(page);
  return window ? GetDlgItem(window, id) : nullptr;
}

BOOL TTabPages::SetItemText(int page, int id, const char* text) {
  HWND window = EnsurePage(page);
  return window ? SetDlgItemTextA(window, id, text) : FALSE;
}

UINT TTabPages::GetItemText(int page, int id, char* buffer, int size) {
  HWND window = EnsurePage(page);
  if (!window) {
    if (size > 0) buffer[0] = '\0';
    return 0;
  }
  return GetDlgItemTextA(window, id, buffer, size);
}

BOOL TTabPages::EnableItem(int page, int id, BOOL enable) {
  HWND window = EnsurePage(page);
  return window ? EnableWindow(GetDlgItem(window, id), enable) : FALSE;
}

LRESULT TTabPages::SendItemMessage(int page, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = EnsurePage(page);
  return window ? SendDlgItemMessageA(window, id, message, wParam, lParam) : 0;
}

UINT TTabPages::IsButtonChecked(int page, int id) {
  HWND window = EnsurePage(page);
  return window ? IsDlgButtonChecked(window, id) : 0;
}

BOOL TTabPages::CheckRadio(int page, int firstId, int lastId, int id) {
  HWND window = EnsurePage(page);
  return window ? CheckRadioButton(window, firstId, lastId, id) : FALSE;
}

BOOL TTabPages::CheckButton(int page, int id, int state) {
  HWND window = EnsurePage(page);
  return window ? CheckDlgButton(window, id, state ? BST_CHECKED : BST_UNCHECKED) : FALSE;
}

LRESULT TTabPages::SetDateFormat(int page, int id, const char* format) {
  return SendItemMessage(page, id, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(format));
}

LRESULT TTabPages::SetDateTime(int page, int id, DWORD flag, const SYSTEMTIME* time) {
  return SendItemMessage(page, id, DTM_SETSYSTEMTIME, flag, reinterpret_cast<LPARAM>(time));
}

LRESULT TTabPages::GetDateTime(int page, int id, SYSTEMTIME* time) {
  return SendItemMessage(page, id, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(time));
}
