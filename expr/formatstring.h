// printf-style formatting of texts for FORMATSTRING, done here rather than by the C
// library so that a format from the model can never read past the values it is given.
#pragma once

#include <string>
#include <vector>

// Every conversion (%s, and likewise any other letter) takes the next value as a text,
// with the '-' flag, the width and the precision applied as %s does; a conversion past
// the last value takes the empty text; "%%" is one '%'; an unfinished conversion at the
// end is copied as it stands. The result holds at most MaxResultText characters.
std::string FormatWithTexts(const char* format, const std::vector<std::string>& values);
