// A compiled expression bound to one entity of the data model.
#pragma once

#include "expr/errors.h"
#include "expr/exprnode.h"

struct TEntity;
class TDBRecord;
class TValue;

// Deepest nesting of an expression tree (operator chains, groups, calls, lists): deeper
// texts are refused, so that no recursive walk over a tree can exhaust the stack.
constexpr int MaxExpressionDepth = 500;

// The double power function of POW.
double PowValue(double base, double exponent);

class TExpression {
public:
  TExpression() = default;
  ~TExpression();
  TExpression(const TExpression&) = delete;
  TExpression& operator=(const TExpression&) = delete;

  // Forgets the entity and frees the tree.
  void Clear();
  // Compiles the text against the named entity: 1 with the resolved tree, or 0 with the
  // reason in ExpressionErrorState.
  int Compile(const char* entityName, const char* text);
  // Records which entities depend on the data this expression reads (calculated: 1 for
  // the default of a calculated attribute, else 0).
  void RegisterDependencies(int calculated);

  // Evaluates the tree for the record and writes the result, formatted for a column of
  // this ODBC SQL type, length and scale, into buffer (8192 bytes): 1, or 0 with the
  // buffer emptied and the reason in ExpressionErrorState.
  int EvaluateToString(TDBRecord* record, char* buffer, int sqlType, int length, int scale);
  // The value of one node for the record into result (which arrives as an empty text):
  // 1, or 0 with the error in ExpressionErrorState (a null node fails without one).
  int EvaluateNode(TDBRecord* record, const TExprNode* node, TValue& result);

  // The functions that read the database (each on a connection of its own).
  int EvalRelationshipField(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalAggregate(TDBRecord* record, const TExprNode* node, TValue& result,
                    const char* extraCondition);
  int EvalGetPartial(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalGetChildField(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalGetCurrentField(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalGetCurrentCount(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalGetCurrentSum(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalQuery(TDBRecord* record, const TExprNode* node, TValue& result);

  TEntity* GetEntity() const { return entity_; }
  const TExprNode* GetRoot() const { return root_; }

  // Frees a node with its subtree and owned texts; null is ignored.
  static void FreeNode(TExprNode* node);

private:
  // The steps of EvaluateNode, one per kind of node.
  int EvalAtom(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalCall(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalUnary(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalInList(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalAndOr(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalBetween(TDBRecord* record, const TExprNode* node, TValue& result);
  int EvalBinaryOperator(TDBRecord* record, const TExprNode* node, TValue& result);

  // Lexer.
  int NextToken();
  bool TokenIs(const char* word) const;
  bool TokenIsEnd() const { return token_[0] == '\0'; }
  // Parser.
  TExprNode* ParseOperand();
  TExprNode* ParseChain(TExprNode* operand);
  TExprNode* ParseBinary(int kind, int level, bool leftGrouping, TExprNode* left);
  TExprNode* ParseUnary(int kind);
  TExprNode* ParseGroup();
  TExprNode* ParseFunctionCall(TExprNode* name);
  TExprNode* ParseInList(int kind, TExprNode* tested);
  TExprNode* ParseBetween(int kind, TExprNode* tested);
  TExprNode* MakeAtom();
  int ParseList(TExprNode** first);
  void Fail(TExpressionError code, const char* detail);
  void FailUnfinished();
  void FailTooDeep();
  bool Failed() const;
  // Name resolution and dependencies.
  int ResolveNames(TExprNode* node);
  int ResolveNavigation(TExprNode* node);
  int ResolveRelationshipFunction(TExprNode* call);
  void CollectDependencies(TExprNode* node, int calculated);
  void RegisterReverse(TRelationship* relationship, int calculated, bool navigation);

  TEntity* entity_ = nullptr;
  TExprNode* root_ = nullptr;
  // Only while compiling:
  char* token_ = nullptr;
  const char* source_ = nullptr;
  int position_ = 0;
  int depth_ = 0;  // nesting of the parse
  bool tooDeep_ = false;
};
