// Display formats of numbers: plain ("2"), currency ("$2") and percent ("%1").
// Functions that return text return a static buffer of their own.
#pragma once

const char* FormatNumber(double value, const char* numberFormat);
// A leading '(' becomes '-'; '$', ',', '%', '(' and ')' are dropped.
const char* UnformatNumber(const char* text);
// Whether every comma of the text groups the digits of a number's whole part by three
// ("1,234.50"), so that dropping it keeps the number; false for a decimal comma ("1,5").
bool CommasGroupThousands(const char* text);
double ParseDisplayNumber(const char* text);
// Removes '$', '%' and '#' from a heap string field in place.
void StripNumberSymbols(char** field);
