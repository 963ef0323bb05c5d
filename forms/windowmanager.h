// The one table of the open dialogs: who opened each, whether it is modal, the caller's
// parameter, its object and the control that had the focus when it opened.
#pragma once

#include <windows.h>

class TBaseDlg;
struct TEntity;

struct TDialogSlot {
  HWND Window;   // 0: free (or reserved, while Owner or Object is set)
  HWND Owner;
  int Modal;
  INT_PTR Param;
  void* Object;  // the dialog object; a tab page stores its page parameter
  HWND Focus;
};

constexpr int WINDOW_MANAGER_CAPACITY = 100;

class TAppWindowManager {
public:
  TAppWindowManager();
  ~TAppWindowManager();
  TAppWindowManager(const TAppWindowManager&) = delete;
  TAppWindowManager& operator=(const TAppWindowManager&) = delete;

  HWND CreateModeless(TBaseDlg* object, const char* resourceName, HWND owner, INT_PTR param);
  HWND CreateModelessIndirect(TBaseDlg* object, HGLOBAL dialogTemplate, HWND owner, INT_PTR param);
  INT_PTR RunModal(TBaseDlg* object, const char* resourceName, HWND owner, INT_PTR param,
                   LPARAM initialValue);
  // Opens an edit form of the entity modeless: the access PIN first for a protected
  // entity, then the generated template "Edit_<entity>", else the resource of that name.
  HWND OpenEditForm(TBaseDlg* form, const TEntity* entity, HWND owner, INT_PTR param);
  // Reserves a slot for a dialog about to be created; the index, or -1 when the table is full.
  // A dialog opened from a paged form (its window, tab control or one of its pages) is
  // recorded with the form as its owner.
  int Reserve(void* object, HWND owner, int modal, INT_PTR param);
  // Frees a reserved slot whose window never came (its creation failed); the caller still
  // owns the object.
  void CancelReservation(int slot);

  // Frees a slot reserved for the object whose window was never made (a dialog that could
  // not be created); true when there was one.
  bool ForgetReservation(const void* object);
  // Counts the windows attached so far: an opener that sees no change knows that its
  // dialog never got a window (and so was never freed by one).
  unsigned AttachSerial() const { return attachSerial_; }

  void DestroyOwnedDialogs(HWND window);
  void AttachWindow(HWND window);
  void DetachWindow(HWND window);
  HWND GetOwner(HWND window) const;
  TBaseDlg* GetDialog(HWND window) const;
  INT_PTR GetParam(HWND window) const;
  int IsModal(HWND window) const;
  HWND FindDialogWindow(const void* object, INT_PTR param) const;
  HWND FirstWindow() const;
  HWND NextWindow(HWND window) const;
  BOOL TranslateDialogMessage(MSG* message);
  int FindFreeSlot();
  int GetCount() const;
  int GetCapacity() const { return WINDOW_MANAGER_CAPACITY; }
  void RestoreFocus(HWND window);

private:
  const TDialogSlot* FindSlot(HWND window) const;
  TDialogSlot slots_[WINDOW_MANAGER_CAPACITY];
  unsigned attachSerial_ = 0;
};

extern TAppWindowManager AppWindowManager;
