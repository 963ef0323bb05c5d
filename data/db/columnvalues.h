// Whether a column takes a value in its stored form: the one check of every value that
// comes in from files and fields before it is written.
#pragma once

#include <string>

struct TAttribute;

// True when a column of the attribute's type takes the text as its value: whole numbers
// (digits after an optional sign) within the type's range; decimal and floating numbers
// written plainly (digits with at most one point, an optional exponent), finite and
// within a decimal column's digits; dates ("YYYY-MM-DD"), times ("HH:MM:SS")
// and timestamps (both, a blank between, or the date alone) that exist; texts within the column size. Blanks
// around a number are no part of it; an empty text is always taken (it stores NULL or an
// empty text). Otherwise false, with the reason naming the value (or shown, the text it was
// made from, when given) and the attribute's caption in refusal (when given).
bool ColumnTakes(const TAttribute& attribute, const char* text, std::string* refusal = nullptr,
                 const char* shown = nullptr);
