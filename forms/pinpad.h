// The keypad dialog ("EnterPin") that asks for the access PIN before a protected
// entity's form opens.
#pragma once

#include <windows.h>

// Control ids of the "EnterPin" dialog resource.
constexpr int PIN_FIELD_ID = 1000;
constexpr int PIN_FIRST_DIGIT_ID = 1001;  // 1001..1010: digits 0..9
constexpr int PIN_LAST_DIGIT_ID = 1010;
constexpr int PIN_CAPTION_ID = 1011;      // the static shown in the large font
constexpr int PIN_LENGTH = 4;

// Ends the dialog with 1 (OK, enabled only while the field holds the PIN) or 0 (Cancel).
INT_PTR CALLBACK EnterPinDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
