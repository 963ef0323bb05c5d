// The table of the open dialogs: opener, modality, parameter, object and focus.
#include "forms/windowmanager.h"

#include <cstdio>

#include "data/model/model.h"
#include "forms/basedlg.h"
#include "forms/edittemplates.h"
#include "forms/pinpad.h"
#include "forms/tabpages.h"
#include "forms/appwindow.h"
#include "forms/messagepump.h"

TAppWindowManager AppWindowManager;

namespace {

// The access PIN asked on the keypad over owner: true only for the correct one.
bool AskForPin(HWND owner) {
  TModalLoopScope modal(owner);
  return DialogBoxParamA(GetModuleHandleA(nullptr), "EnterPin", owner, EnterPinDlgProc, 0) == 1;
}

}  // namespace

TAppWindowManager::TAppWindowManager() : slots_{} {}

TAppWindowManager::~TAppWindowManager() = default;

int TAppWindowManager::FindFreeSlot() {
  for (int k = 0; k < WINDOW_MANAGER_CAPACITY; ++k)
    if (!slots_[k].Window) return k;
  ShowMessageBox(nullptr, "No more dialog boxes could be opened", "Application Window Manager",
                 MB_OK | MB_ICONEXCLAMATION);
  return -1;
}

int TAppWindowManager::Reserve(void* object, HWND owner, int modal, INT_PTR param) {
  const int k = FindFreeSlot();
  if (k < 0) return -1;
  slots_[k] = TDialogSlot{nullptr, TTabPages::OwnerFor(owner), modal, param, object, GetFocus()};
  return k;
}

void TAppWindowManager::CancelReservation(int slot) {
  if (slot >= 0 && slot < WINDOW_MANAGER_CAPACITY && !slots_[slot].Window) slots_[slot] = TDialogSlot{};
}

HWND TAppWindowManager::CreateModeless(TBaseDlg* object, const char* resourceName, HWND owner,
                                       INT_PTR param) {
  const int slot = Reserve(object, owner, 0, param);
  if (slot < 0) return nullptr;
  HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), resourceName, MainWindow,
                                   object->DialogProc, 0);
  if (!window) CancelReservation(slot);
  return window;
}

HWND TAppWindowManager::CreateModelessIndirect(TBaseDlg* object, HGLOBAL dialogTemplate, HWND owner,
                                               INT_PTR param) {
  const int slot = Reserve(object, owner, 0, param);
  if (slot < 0) return nullptr;
  auto* header = static_cast<LPCDLGTEMPLATEA>(GlobalLock(dialogTemplate));
  HWND window = header ? CreateDialogIndirectParamA(GetModuleHandleA(nullptr), header, MainWindow,
                                                    object->DialogProc, 0)
                       : nullptr;
  if (header) GlobalUnlock(dialogTemplate);
  if (!window) CancelReservation(slot);
  return window;
}

INT_PTR TAppWindowManager::RunModal(TBaseDlg* object, const char* resourceName, HWND owner,
                                    INT_PTR param, LPARAM initialValue) {
  if (Reserve(object, owner, 1, param) < 0) return 0;
  TModalLoopScope modal(owner);
  return DialogBoxParamA(GetModuleHandleA(nullptr), resourceName, owner, object->DialogProc,
                         initialValue);
}

HWND TAppWindowManager::OpenEditForm(TBaseDlg* form, const TEntity* entity, HWND owner,
                                     INT_PTR param) {
  // Only a correct PIN opens the form: a keypad that could not be shown (-1) refuses it.
  if (entity->PinProtected && !AskForPin(owner)) return nullptr;
  const std::string name = EditFormTemplateName(entity);
  HGLOBAL generated = FindEditFormTemplate(name.c_str());
  if (generated) return CreateModelessIndirect(form, generated, owner, param);
  return CreateModeless(form, name.c_str(), owner, param);
}

bool TAppWindowManager::ForgetReservation(const void* object) {
  for (TDialogSlot& slot : slots_) {
    if (!slot.Window && slot.Object == object && object) {
      slot = TDialogSlot{};
      return true;
    }
  }
  return false;
}

void TAppWindowManager::DestroyOwnedDialogs(HWND window) {
  for (TDialogSlot& slot : slots_)
    if (slot.Window && slot.Owner == window) DestroyWindow(slot.Window);
}

void TAppWindowManager::AttachWindow(HWND window) {
  for (TDialogSlot& slot : slots_) {
    if (!slot.Window && (slot.Owner || slot.Object)) {
      slot.Window = window;
      ++attachSerial_;
      return;
    }
  }
}

void TAppWindowManager::DetachWindow(HWND window) {
  if (!window) return;
  for (TDialogSlot& slot : slots_)
    if (slot.Window == window) slot = TDialogSlot{};
}

const TDialogSlot* TAppWindowManager::FindSlot(HWND window) const {
  if (!window) return nullptr;
  for (const TDialogSlot& slot : slots_)
    if (slot.Window == window) return &slot;
  return nullptr;
}

HWND TAppWindowManager::GetOwner(HWND window) const {
  const TDialogSlot* slot = FindSlot(window);
  return slot ? slot->Owner : nullptr;
}

TBaseDlg* TAppWindowManager::GetDialog(HWND window) const {
  const TDialogSlot* slot = FindSlot(window);
  return slot ? static_cast<TBaseDlg*>(slot->Object) : nullptr;
}

INT_PTR TAppWindowManager::GetParam(HWND window) const {
  const TDialogSlot* slot = FindSlot(window);
  return slot ? slot->Param : 0;
}

int TAppWindowManager::IsModal(HWND window) const {
  const TDialogSlot* slot = FindSlot(window);
  return slot ? slot->Modal : 0;
}

HWND TAppWindowManager::FindDialogWindow(const void* object, INT_PTR param) const {
  for (const TDialogSlot& slot : slots_)
    if (slot.Window && slot.Object == object && slot.Param == param) return slot.Window;
  return nullptr;
}

HWND TAppWindowManager::FirstWindow() const {
  for (const TDialogSlot& slot : slots_)
    if (slot.Window) return slot.Window;
  return nullptr;
}

HWND TAppWindowManager::NextWindow(HWND window) const {
  const TDialogSlot* slot = FindSlot(window);
  if (!slot) return nullptr;
  for (++slot; slot < slots_ + WINDOW_MANAGER_CAPACITY; ++slot)
    if (slot->Window) return slot->Window;
  return nullptr;
}

BOOL TAppWindowManager::TranslateDialogMessage(MSG* message) {
  for (const TDialogSlot& slot : slots_)
    if (slot.Window && IsDialogMessageA(slot.Window, message)) return TRUE;
  return FALSE;
}

int TAppWindowManager::GetCount() const {
  int count = 0;
  for (const TDialogSlot& slot : slots_)
    if (slot.Window) ++count;
  return count;
}

void TAppWindowManager::RestoreFocus(HWND window) {
  const TDialogSlot* slot = FindSlot(window);
  if (!slot) return;
  if (slot->Focus) {
    if (slot->Owner && slot->Owner != MainWindow && IsIconic(slot->Owner))
      ShowWindow(slot->Owner, SW_RESTORE);
    SetFocus(slot->Focus);
  } else if (MainWindow) {
    SetFocus(MainWindow);
  }
}
