// One node of a compiled expression tree. The tree owns its nodes and their texts.
#pragma once

#include <cstdint>

struct TAttribute;
struct TRelationship;

// What a node's two payload words hold.
enum TNodeClass : int {
  NodeString = 0,        // First.Text: the literal's text (heap string)
  NodeInteger = 1,       // First.Integer
  NodeReal = 2,          // First.Real
  NodeName = 3,          // First.Text: a name not yet resolved (heap string)
  NodeUnary = 4,         // First.Operand: NOT, unary + and -, IS NULL, IS NOT NULL
  NodeBinary = 5,        // First.Operand, Second.Operand: also ':' and [NOT] BETWEEN
  NodeIn = 6,            // First.Operand: tested value; Second.Operand: first element
  NodeCall = 7,          // First.Count: arguments; Second.Operand: first argument
  NodeAttribute = 8,     // First.Index, Second.Attribute
  NodeRelationship = 9,  // First.Index, Second.Relationship
};

// Binding level of literals, names, calls and parenthesised groups.
constexpr int AtomLevel = 9;

struct TExprNode {
  int32_t Kind = 0;   // row of ExpressionSymbols; 0 for literals and names
  int32_t Level = AtomLevel;
  TExprNode* Next = nullptr;  // next argument or list element
  TNodeClass Class = NodeString;
  union {
    char* Text;
    int32_t Integer;
    double Real;
    TExprNode* Operand;
    int32_t Count;
    int32_t Index;
  } First{};
  union {
    TExprNode* Operand;
    TAttribute* Attribute;
    TRelationship* Relationship;
  } Second{};

  // The operand that the parser's rules walk down through (unary, binary and IN nodes).
  TExprNode* LeftOperand() const {
    return (Class == NodeUnary || Class == NodeBinary || Class == NodeIn) ? First.Operand : nullptr;
  }
};
