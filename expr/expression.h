// A compiled expression bound to one entity of the data model.
#pragma once

#include "expr/exprnode.h"

struct TEntity;

// Deepest nesting of an expression tree (operator chains, groups, calls, lists): deeper
// texts are refused, so that no recursive walk over a tree can exhaust the stack.
constexpr int MaxExpressionDepth = 500;

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

  TEntity* GetEntity() const { return entity_; }
  const TExprNode* GetRoot() const { return root_; }

  // Frees a node with its subtree and owned texts; null is ignored.
  static void FreeNode(TExprNode* node);

private:
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
  void Fail(int code, const char* detail);
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
