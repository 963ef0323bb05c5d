// Evaluating expression texts in tests: the value with its type, or the error.
#pragma once

#include <string>

class TDBRecord;

// Compiles the text against the entity and evaluates it for the record:
// "long 3", "double 3.5", "text abc", "E214 Divide by zero: " for a failure with an
// error, "fail" for a failure without one (a compile error gives "compile E<code> ...").
std::string EvalToText(const char* entityName, const char* text, TDBRecord* record = nullptr);
