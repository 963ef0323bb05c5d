// Compact text of a compiled expression tree, for tests: (op operand...) for operators,
// NAME(arg, ...) for calls, literals as written ('text', 12, 2.5), resolved names bare,
// unresolved names as ?name.
#pragma once

#include <string>

struct TExprNode;
class TExpression;

std::string FormatExprTree(const TExprNode* node);

// Compiles the text against the entity: the tree's text, or "E<code> <message>".
std::string CompileToText(const char* entityName, const char* text);
