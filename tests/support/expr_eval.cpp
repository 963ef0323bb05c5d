// Evaluating expression texts in tests: the value with its type, or the error.
#include "support/expr_eval.h"

#include "expr/errors.h"
#include "expr/expression.h"
#include "expr/value.h"

std::string EvalToText(const char* entityName, const char* text, TDBRecord* record) {
  TExpression expression;
  if (!expression.Compile(entityName, text))
    return "compile E" + std::to_string(ExpressionErrorState.GetErrorCode()) + " " +
           ExpressionErrorState.GetErrorMessage();
  ExpressionErrorState.SetErrorText(0, "");
  TValue value;
  if (!expression.EvaluateNode(record, expression.GetRoot(), value)) {
    if (ExpressionErrorState.IsErrorFree()) return "fail";
    return "E" + std::to_string(ExpressionErrorState.GetErrorCode()) + " " +
           ExpressionErrorState.GetErrorMessage();
  }
  switch (value.GetType()) {
    case ValueLong: return "long " + std::string(value.AsString());
    case ValueDouble: return "double " + std::string(value.AsString());
    default: return "text " + std::string(value.AsString());
  }
}
