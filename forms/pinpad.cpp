// The keypad dialog "EnterPin" that asks for the access PIN of a protected entity.
#include "forms/pinpad.h"

#include <cstring>

#include "forms/accesspin.h"
#include "forms/colortable.h"

namespace {

// The large font of the caption, from WM_INITDIALOG to WM_DESTROY.
HFONT captionFont = nullptr;

HFONT CreateCaptionFont(HWND window) {
  LOGFONTA font = {};
  HDC dc = GetDC(window);
  font.lfHeight = -(GetDeviceCaps(dc, LOGPIXELSY) * 10 / 72);
  ReleaseDC(window, dc);
  font.lfWeight = FW_BOLD;
  strcpy(font.lfFaceName, "Helv");
  return CreateFontIndirectA(&font);
}

void PressDigit(HWND window, int digit) {
  char text[PIN_LENGTH + 2] = "";
  GetDlgItemTextA(window, PIN_FIELD_ID, text, PIN_LENGTH + 1);
  size_t length = strlen(text);
  if (length >= PIN_LENGTH) length = 0;
  text[length] = static_cast<char>('0' + digit);
  text[length + 1] = '\0';
  SetDlgItemTextA(window, PIN_FIELD_ID, text);
  HWND field = GetDlgItem(window, PIN_FIELD_ID);
  SetFocus(field);
  SendMessageA(field, EM_SETSEL, 0, -1);
}

void CheckPin(HWND window) {
  char text[PIN_LENGTH + 2] = "";
  GetDlgItemTextA(window, PIN_FIELD_ID, text, PIN_LENGTH + 1);
  EnableWindow(GetDlgItem(window, IDOK), strcmp(text, ACCESS_PIN) == 0);
}

}  // namespace

INT_PTR CALLBACK EnterPinDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      captionFont = CreateCaptionFont(window);
      if (captionFont)
        SendDlgItemMessageA(window, PIN_CAPTION_ID, WM_SETFONT,
                            reinterpret_cast<WPARAM>(captionFont), TRUE);
      EnableWindow(GetDlgItem(window, IDOK), FALSE);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id >= PIN_FIRST_DIGIT_ID && id <= PIN_LAST_DIGIT_ID && code == BN_CLICKED) {
        PressDigit(window, id - PIN_FIRST_DIGIT_ID);
        return TRUE;
      }
      if (id == PIN_FIELD_ID && code == EN_CHANGE) {
        CheckPin(window);
        return TRUE;
      }
      if (id == IDOK) {
        // OK is only reachable while enabled, but Enter reaches the default button anyway.
        char text[PIN_LENGTH + 2] = "";
        GetDlgItemTextA(window, PIN_FIELD_ID, text, PIN_LENGTH + 1);
        if (strcmp(text, ACCESS_PIN) == 0) EndDialog(window, 1);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(window, 0);
        return TRUE;
      }
      return FALSE;
    }
    case WM_CTLCOLORSTATIC:
      return HandleCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
      if (captionFont) DeleteObject(captionFont);
      captionFont = nullptr;
      return FALSE;
  }
  return FALSE;
}
