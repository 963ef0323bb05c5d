// Compiling an expression text into a node tree: the parser and the tree's lifetime.
#include "data/core/strings.h"
#include "data/model/model.h"
#include "expr/errors.h"
#include "expr/expression.h"
#include "expr/symbols.h"

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int UnaryLevel = 8;
constexpr int ComparisonLevel = 4;
constexpr int OrLevel = 0;
constexpr int AndLevel = 2;

struct TBinaryOperator {
  const char* token;  // matched ignoring case
  int kind;
  int level;
  bool leftGrouping;
};

const TBinaryOperator BinaryOperators[] = {
    {":", KindNavigate, 9, false},     {"*", KindTimes, 7, true},
    {"/", KindDivide, 7, true},        {"\\", KindIntDivide, 7, true},
    {"DIV", KindIntDivide, 7, true},   {"MOD", KindMod, 7, true},
    {"+", KindPlus, 6, true},          {"-", KindMinus, 6, true},
    {"||", KindConcat, 5, true},       {"=", KindEqual, 4, false},
    {"<>", KindNotEqual, 4, false},    {">=", KindGreaterEqual, 4, false},
    {">", KindGreater, 4, false},      {"<=", KindLessEqual, 4, false},
    {"<", KindLess, 4, false},         {"LIKE", KindLike, 4, false},
    {"AND", KindAnd, AndLevel, true},  {"OR", KindOr, OrLevel, true},
};

TExprNode* NewNode(TNodeClass nodeClass, int kind, int level) {
  TExprNode* node = new TExprNode;
  node->Class = nodeClass;
  node->Kind = kind;
  node->Level = level;
  return node;
}

bool StartsAtom(char c) {
  const unsigned char u = c;
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '_' ||
         c == '\'';
}

// Height of a tree, without recursion: the tree may be too deep for the stack.
int TreeHeight(const TExprNode* root) {
  std::vector<std::pair<const TExprNode*, int>> pending{{root, 1}};
  int height = 0;
  while (!pending.empty()) {
    auto [node, depth] = pending.back();
    pending.pop_back();
    if (depth > height) height = depth;
    switch (node->Class) {
      case NodeUnary:
        pending.push_back({node->First.Operand, depth + 1});
        break;
      case NodeBinary:
        pending.push_back({node->First.Operand, depth + 1});
        pending.push_back({node->Second.Operand, depth + 1});
        break;
      case NodeIn:
        pending.push_back({node->First.Operand, depth + 1});
        [[fallthrough]];
      case NodeCall:
        for (const TExprNode* item = node->Second.Operand; item; item = item->Next)
          pending.push_back({item, depth + 1});
        break;
      default:
        break;
    }
  }
  return height;
}

}  // namespace

TExpression::~TExpression() { FreeNode(root_); }

void TExpression::Clear() {
  entity_ = nullptr;
  FreeNode(root_);
  root_ = nullptr;
}

void TExpression::FreeNode(TExprNode* node) {
  std::vector<TExprNode*> pending;
  if (node) pending.push_back(node);
  while (!pending.empty()) {
    TExprNode* current = pending.back();
    pending.pop_back();
    switch (current->Class) {
      case NodeString:
      case NodeName:
        FreeString(&current->First.Text);
        break;
      case NodeUnary:
        if (current->First.Operand) pending.push_back(current->First.Operand);
        break;
      case NodeBinary:
        if (current->First.Operand) pending.push_back(current->First.Operand);
        if (current->Second.Operand) pending.push_back(current->Second.Operand);
        break;
      case NodeIn:
        if (current->First.Operand) pending.push_back(current->First.Operand);
        [[fallthrough]];
      case NodeCall:
        for (TExprNode* item = current->Second.Operand; item; item = item->Next)
          pending.push_back(item);
        break;
      default:
        break;
    }
    delete current;
  }
}

void TExpression::Fail(TExpressionError code, const char* detail) {
  ExpressionErrorState.SetErrorFromTable(code, ExpressionErrors, detail);
}

// A missing operand: "Unfinished expression", in place of whatever the operand's own parse
// reported, except that a text nested too deeply keeps saying so.
void TExpression::FailUnfinished() {
  if (!tooDeep_) Fail(ExprUnfinished, "");
}

void TExpression::FailTooDeep() {
  tooDeep_ = true;
  Fail(ExprMisplacedSymbol, token_);
}

bool TExpression::Failed() const { return !ExpressionErrorState.IsErrorFree(); }

int TExpression::Compile(const char* entityName, const char* text) {
  ExpressionErrorState.SetErrorText(0, "");
  FreeNode(root_);
  root_ = nullptr;
  TEntity* entity = TheModel.FindEntity(entityName ? entityName : "");
  if (!entity) {
    Fail(ExprUndefinedEntity, entityName);
    return 0;
  }
  entity_ = entity;
  if (!text) text = "";
  const size_t length = std::strlen(text);
  token_ = new char[length + 1];
  token_[0] = '\0';
  source_ = text;
  position_ = 0;
  depth_ = 0;
  tooDeep_ = false;

  TExprNode* root = ParseOperand();
  if (!Failed() && root && !TokenIsEnd()) Fail(ExprExtraSymbols, token_);
  // A text that begins with ')' builds nothing: say so rather than fail without a reason.
  if (!Failed() && !root) Fail(ExprMisplacedSymbol, token_);
  if (!Failed() && TreeHeight(root) > MaxExpressionDepth) Fail(ExprMisplacedSymbol, "");  // nested too deeply
  if (!Failed()) ResolveNames(root);
  if (Failed()) {
    FreeNode(root);
    root = nullptr;
  }
  delete[] token_;
  token_ = nullptr;
  source_ = nullptr;
  root_ = root;
  return root ? 1 : 0;
}

// One operand and the operator chain after it: the tree of everything up to the ',' or
// ')' or end of text that ends the chain (that token stays in the buffer).
TExprNode* TExpression::ParseOperand() {
  if (!NextToken()) return nullptr;
  const int entryDepth = depth_;
  TExprNode* result = nullptr;
  if (++depth_ > MaxExpressionDepth)
    FailTooDeep();
  else if (TokenIs(")"))
    result = nullptr;  // an empty list ends here
  else if (TokenIs("("))
    result = ParseGroup();
  else if (TokenIs("+"))
    result = ParseUnary(KindUnaryPlus);
  else if (TokenIs("-"))
    result = ParseUnary(KindUnaryMinus);
  else if (TokenIs("NOT"))
    result = ParseUnary(KindNot);
  else if (StartsAtom(token_[0]))
    result = ParseChain(MakeAtom());
  else
    Fail(ExprMisplacedSymbol, token_);
  depth_ = entryDepth;
  return result;
}

TExprNode* TExpression::ParseGroup() {
  TExprNode* inner = ParseOperand();
  if (!inner) {
    FailUnfinished();
    return nullptr;
  }
  if (!TokenIs(")")) {
    Fail(ExprMisplacedSymbol, token_);
    FreeNode(inner);
    return nullptr;
  }
  inner->Level = AtomLevel;
  return ParseChain(inner);
}

// A unary operator binds the leftmost operand of the chain that follows it.
TExprNode* TExpression::ParseUnary(int kind) {
  TExprNode* rest = ParseOperand();
  if (!rest) {
    FailUnfinished();
    return nullptr;
  }
  TExprNode* unary = NewNode(NodeUnary, kind, UnaryLevel);
  TExprNode* parent = nullptr;
  TExprNode* node = rest;
  while (node->Class == NodeBinary && node->Level < AtomLevel) {
    parent = node;
    node = node->First.Operand;
  }
  unary->First.Operand = node;
  if (!parent) return unary;
  parent->First.Operand = unary;
  return rest;
}

TExprNode* TExpression::MakeAtom() {
  TExprNode* node = NewNode(NodeString, KindAtom, AtomLevel);
  if (token_[0] == '\'') {
    SetString(&node->First.Text, token_ + 1);
  } else if (token_[0] >= '0' && token_[0] <= '9') {
    if (std::strchr(token_, '.')) {
      node->Class = NodeReal;
      node->First.Real = std::strtod(token_, nullptr);
    } else {
      node->Class = NodeInteger;
      node->First.Integer = std::strtol(token_, nullptr, 10);
    }
  } else if (TokenIs("NULL")) {
    node->First.Text = EmptyString;
  } else {
    node->Class = NodeName;
    SetString(&node->First.Text, token_);
  }
  return node;
}

TExprNode* TExpression::ParseChain(TExprNode* operand) {
  for (;;) {
    if (!NextToken()) {
      FreeNode(operand);
      return nullptr;
    }
    if (TokenIsEnd() || TokenIs(",") || TokenIs(")")) return operand;
    if (TokenIs("(") && operand->Class == NodeName) {
      operand = ParseFunctionCall(operand);
      if (!operand) return nullptr;
      continue;
    }
    for (const TBinaryOperator& op : BinaryOperators)
      if (TokenIs(op.token)) return ParseBinary(op.kind, op.level, op.leftGrouping, operand);
    if (TokenIs("BETWEEN")) return ParseBetween(KindBetween, operand);
    int postfix = -1;  // IN and IS tests apply to the operand and the chain goes on
    if (TokenIs("IN")) {
      postfix = KindIn;
    } else if (TokenIs("IS")) {
      if (!NextToken()) {
        FreeNode(operand);
        return nullptr;
      }
      if (TokenIs("NULL")) {
        postfix = KindIsNull;
      } else if (TokenIs("NOT")) {
        if (!NextToken()) {
          FreeNode(operand);
          return nullptr;
        }
        if (TokenIs("NULL")) postfix = KindIsNotNull;
      }
    } else if (TokenIs("NOT")) {
      if (!NextToken()) {
        FreeNode(operand);
        return nullptr;
      }
      if (TokenIs("LIKE")) return ParseBinary(KindNotLike, ComparisonLevel, false, operand);
      if (TokenIs("BETWEEN")) return ParseBetween(KindNotBetween, operand);
      if (TokenIs("IN")) postfix = KindNotIn;
    }
    if (postfix < 0) {
      Fail(ExprMisplacedSymbol, token_);
      FreeNode(operand);
      return nullptr;
    }
    // Every test stacks one more level on the operand.
    if (++depth_ > MaxExpressionDepth) {
      FailTooDeep();
      FreeNode(operand);
      return nullptr;
    }
    if (postfix == KindIn || postfix == KindNotIn) {
      operand = ParseInList(postfix, operand);
      if (!operand) return nullptr;
    } else {
      TExprNode* test = NewNode(NodeUnary, postfix, ComparisonLevel);
      test->First.Operand = operand;
      operand = test;
    }
  }
}

// The operator goes below every node of the rest's left edge that binds less tightly
// (or as tightly, for left grouping), above the first one that binds more tightly.
TExprNode* TExpression::ParseBinary(int kind, int level, bool leftGrouping, TExprNode* left) {
  TExprNode* rest = ParseOperand();
  if (!rest) {
    FailUnfinished();
    FreeNode(left);
    return nullptr;
  }
  TExprNode* parent = nullptr;
  TExprNode* node = rest;
  while (node->LeftOperand() && (node->Level < level || (node->Level == level && leftGrouping))) {
    parent = node;
    node = node->First.Operand;
  }
  TExprNode* binary = NewNode(NodeBinary, kind, level);
  binary->First.Operand = left;
  binary->Second.Operand = node;
  if (!parent) return binary;
  parent->First.Operand = binary;
  return rest;
}

TExprNode* TExpression::ParseFunctionCall(TExprNode* name) {
  const int kind = FindFunctionKind(name->First.Text);
  if (kind < 0) {
    Fail(ExprUndefinedFunction, name->First.Text);
    FreeNode(name);
    return nullptr;
  }
  FreeNode(name);
  TExprNode* call = NewNode(NodeCall, kind, AtomLevel);
  const int count = ParseList(&call->Second.Operand);
  if (count < 0) {
    FreeNode(call);
    return nullptr;
  }
  call->First.Count = count;
  const TSymbolEntry& symbol = ExpressionSymbols[kind];
  if (count < symbol.minArgs || (symbol.maxArgs != -1 && count > symbol.maxArgs)) {
    Fail(ExprWrongArgumentCount, symbol.name);
    FreeNode(call);
    return nullptr;
  }
  return call;
}

TExprNode* TExpression::ParseInList(int kind, TExprNode* tested) {
  if (!NextToken()) {
    FreeNode(tested);
    return nullptr;
  }
  if (!TokenIs("(")) {
    Fail(ExprMisplacedSymbol, token_);
    FreeNode(tested);
    return nullptr;
  }
  TExprNode* in = NewNode(NodeIn, kind, ComparisonLevel);
  in->First.Operand = tested;
  if (ParseList(&in->Second.Operand) < 0) {
    FreeNode(in);
    return nullptr;
  }
  return in;
}

// Operands separated by ',' up to ')', chained from *first; the count, or -1 on failure
// (what was parsed stays chained, for the caller to free).
int TExpression::ParseList(TExprNode** first) {
  TExprNode* item = ParseOperand();
  if (!item) return Failed() ? -1 : 0;
  TExprNode** tail = first;
  int count = 0;
  for (;;) {
    *tail = item;
    tail = &item->Next;
    ++count;
    if (TokenIs(")")) return count;
    if (TokenIsEnd()) {
      Fail(ExprUnfinished, "");
      return -1;
    }
    if (!TokenIs(",")) {
      Fail(ExprMisplacedSymbol, token_);
      return -1;
    }
    item = ParseOperand();
    if (!item) {
      if (!Failed()) Fail(ExprMisplacedSymbol, token_);
      return -1;
    }
  }
}

// The bounds are the two sides of the lowest AND on the left edge of the rest, below
// any ORs: a BETWEEN 1 AND 2 AND b = 3 is (a BETWEEN 1 AND 2) AND (b = 3).
TExprNode* TExpression::ParseBetween(int kind, TExprNode* tested) {
  TExprNode* rest = ParseOperand();
  if (!rest) {
    if (!Failed()) Fail(ExprUnfinished, "");
    FreeNode(tested);
    return nullptr;
  }
  TExprNode* parent = nullptr;
  TExprNode* node = rest;
  while (node->Class == NodeBinary && node->Level == OrLevel) {
    parent = node;
    node = node->First.Operand;
  }
  if (node->Class != NodeBinary || node->Level != AndLevel) {
    Fail(ExprBetweenWithoutAnd, "");
    FreeNode(tested);
    FreeNode(rest);
    return nullptr;
  }
  while (node->First.Operand->Class == NodeBinary && node->First.Operand->Level == AndLevel) {
    parent = node;
    node = node->First.Operand;
  }
  TExprNode* between = NewNode(NodeBinary, kind, ComparisonLevel);
  between->First.Operand = tested;
  between->Second.Operand = node;
  if (!parent) return between;
  parent->First.Operand = between;
  return rest;
}
