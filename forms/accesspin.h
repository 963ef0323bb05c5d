// The access PIN of the system: the one place it is kept, for the keypad of the forms
// and for the maintenance wizard.
#pragma once

// Four decimal digits.
inline constexpr char ACCESS_PIN[] = "6937";
