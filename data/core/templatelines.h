// Element and key/value lines of template files:
//   <Element>   name="value"   name=value   </Element>
#pragma once

#include <cstdio>

// Writes name="value" when both are non-empty; otherwise nothing.
void WriteTemplateValue(FILE* stream, const char* name, const char* value);
// 1 for an element opening (name set, value empty) or a key line; 0 at an element end
// or the end of the stream. Buffers hold at least 8192 bytes. rawValue, when given,
// receives a key line's text after '=' as it stands (quotes and blanks kept).
int ReadTemplateLine(FILE* stream, char* name, char* value, char* rawValue = nullptr);
