// Element and key/value lines of template files:
//   <Element>   name="value"   name=value   </Element>
#pragma once

#include <cstddef>
#include <cstdio>

class TTextLines;

// Writes name="value" when both are non-empty; otherwise nothing.
void WriteTemplateValue(FILE* stream, const char* name, const char* value);
// Reads the next element or key line: 1 for an element opening (name set, value empty)
// or a key line; 0 at an element end or the end of the file. The name and the value are
// cut to their buffers' sizes.
// rawValue, when given, receives a key line's text after '=' as it stands (quotes and
// blanks kept), cut to rawSize.
int ReadTemplateLine(TTextLines& lines, char* name, size_t nameSize, char* value, size_t valueSize,
                     char* rawValue = nullptr, size_t rawSize = 0);
