// The compact text of a compiled expression tree, for tests.
#include "support/expr_tree.h"

#include "data/model/model.h"
#include "expr/expr.h"

#include <cstdio>

std::string FormatExprTree(const TExprNode* node) {
  if (!node) return "<null>";
  char number[64];
  switch (node->Class) {
    case NodeString:
      return "'" + std::string(node->First.Text) + "'";
    case NodeInteger:
      std::snprintf(number, sizeof number, "%d", int(node->First.Integer));
      return number;
    case NodeReal:
      std::snprintf(number, sizeof number, "%g", node->First.Real);
      return number;
    case NodeName:
      return std::string("?") + node->First.Text;
    case NodeAttribute:
      return node->Second.Attribute->Name;
    case NodeRelationship:
      return node->Second.Relationship->Name;
    case NodeUnary:
      return std::string("(") + ExpressionSymbols[node->Kind].name + " " +
             FormatExprTree(node->First.Operand) + ")";
    case NodeBinary:
      return std::string("(") + ExpressionSymbols[node->Kind].name + " " +
             FormatExprTree(node->First.Operand) + " " + FormatExprTree(node->Second.Operand) + ")";
    case NodeIn: {
      std::string text = std::string("(") + ExpressionSymbols[node->Kind].name + " " +
                         FormatExprTree(node->First.Operand);
      for (const TExprNode* item = node->Second.Operand; item; item = item->Next)
        text += " " + FormatExprTree(item);
      return text + ")";
    }
    case NodeCall: {
      std::string text = std::string(ExpressionSymbols[node->Kind].name) + "(";
      for (const TExprNode* item = node->Second.Operand; item; item = item->Next)
        text += (item == node->Second.Operand ? "" : ", ") + FormatExprTree(item);
      return text + ")";
    }
  }
  return "<class?>";
}

std::string CompileToText(const char* entityName, const char* text) {
  TExpression expression;
  if (expression.Compile(entityName, text)) return FormatExprTree(expression.GetRoot());
  return "E" + std::to_string(ExpressionErrorState.GetErrorCode()) + " " +
         ExpressionErrorState.GetErrorMessage();
}
