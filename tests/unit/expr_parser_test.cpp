// The lexer and parser: trees of expression texts, and the errors of faulty texts.
#include "data/core/strings.h"
#include "data/model/model.h"
#include "expr/expr.h"
#include "support/expr_tree.h"
#include "support/test_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// T(a, b, c, d, x, y) with r (to-one) and many (to-many) to S(x, qty), S.s (to-one) to U(x).
class ExprParser : public ::testing::Test {
protected:
  void SetUp() override {
    BuildModel(TheModel, {
        {"T", {{"a"}, {"b"}, {"c"}, {"d"}, {"x"}, {"y"}},
         {{"r", "S", "", "S", "T", 0, ""}, {"many", "S", "", "T", "S", 1, ""}}},
        {"S", {{"x"}, {"qty"}}, {{"s", "U", "", "U", "S", 0, ""}}},
        {"U", {{"x"}}, {}},
    });
  }
  void TearDown() override {
    TheModel.Clear();
    EXPECT_EQ(TempStringsInUse(), 0);
  }
};

struct TreeCase {
  const char* text;
  const char* tree;
};

void ExpectTrees(const TreeCase* begin, const TreeCase* end) {
  for (const TreeCase* c = begin; c != end; ++c)
    EXPECT_EQ(CompileToText("T", c->text), c->tree) << "text: " << c->text;
}

}  // namespace

TEST_F(ExprParser, PrecedenceAndGrouping) {
  const TreeCase cases[] = {
      {"1 + 2 * 3", "(+ 1 (* 2 3))"},
      {"8 - 4 - 2", "(- (- 8 4) 2)"},
      {"a = b = c", "(= a (= b c))"},
      {"a < b = c", "(< a (= b c))"},
      {"a like b like c", "(LIKE a (LIKE b c))"},
      {"a + b = c", "(= (+ a b) c)"},
      {"r:s:x", "(: r (: s x))"},
      {"r:x + 1", "(+ (: r x) 1)"},
      {"1 + r:x", "(+ 1 (: r x))"},
      {"a OR b AND c", "(OR a (AND b c))"},
      {"a AND b OR c", "(OR (AND a b) c)"},
      {"a OR b OR c", "(OR (OR a b) c)"},
      {"a AND b AND c", "(AND (AND a b) c)"},
      {"a || b || c", "(|| (|| a b) c)"},
      {"a + b || c", "(|| (+ a b) c)"},
      {"a || b + c", "(|| a (+ b c))"},
      {"a * b / c \\ d", "(\\ (/ (* a b) c) d)"},
      {"a DIV b MOD c", "(MOD (\\ a b) c)"},
      {"a - b * c + d", "(+ (- a (* b c)) d)"},
      {"(a + b) * c", "(* (+ a b) c)"},
      {"a - (b - c)", "(- a (- b c))"},
      {"((a))", "a"},
      {"x = 1 OR y = 2 AND NOT a", "(OR (= x 1) (AND (= y 2) (NOT a)))"},
      {"a = 1 AND b <> 2", "(AND (= a 1) (<> b 2))"},
      {"a >= b", "(>= a b)"},
      {"a <= b", "(<= a b)"},
      {"a > b", "(> a b)"},
      {"a < b", "(< a b)"},
  };
  ExpectTrees(std::begin(cases), std::end(cases));
}

TEST_F(ExprParser, UnaryOperatorsBindTheLeftmostOperand) {
  const TreeCase cases[] = {
      {"-2 * 3", "(* (- 2) 3)"},
      {"-a * b", "(* (- a) b)"},
      {"+a", "(+ a)"},
      {"- -a", "(- (- a))"},
      {"a * -b + c", "(+ (* a (- b)) c)"},
      {"a + -b * c", "(+ a (* (- b) c))"},
      {"NOT x = 1", "(= (NOT x) 1)"},
      {"NOT a AND b", "(AND (NOT a) b)"},
      {"NOT a = 1 AND b", "(AND (= (NOT a) 1) b)"},
      {"NOT (a = b)", "(NOT (= a b))"},
      {"NOT a IN (1, 2)", "(NOT (IN a 1 2))"},
      {"-a IS NULL", "(- (IS NULL a))"},
      {"-r:x", "(- (: r x))"},
      {"-a BETWEEN 1 AND 2", "(BETWEEN (- a) (AND 1 2))"},
      {"a AND NOT b OR c", "(OR (AND a (NOT b)) c)"},
  };
  ExpectTrees(std::begin(cases), std::end(cases));
}

TEST_F(ExprParser, TestsListsAndRanges) {
  const TreeCase cases[] = {
      {"a IS NULL", "(IS NULL a)"},
      {"a IS NOT NULL", "(IS NOT NULL a)"},
      {"x + a IS NULL", "(IS NULL (+ x a))"},
      {"a = b IS NULL", "(= a (IS NULL b))"},
      {"a IS NULL AND b", "(AND (IS NULL a) b)"},
      {"a IS NULL IS NULL", "(IS NULL (IS NULL a))"},
      {"a in (1, 'b', 2.5)", "(IN a 1 'b' 2.5)"},
      {"a NOT IN ()", "(NOT IN a)"},
      {"a IN (1) IN (2)", "(IN (IN a 1) 2)"},
      {"a + b IN (c)", "(IN (+ a b) c)"},
      {"a IN (b) = c", "(= (IN a b) c)"},
      {"a BETWEEN 1 AND 2", "(BETWEEN a (AND 1 2))"},
      {"a BETWEEN 1 AND 2 AND b = 3", "(AND (BETWEEN a (AND 1 2)) (= b 3))"},
      {"a BETWEEN b + 1 AND c * 2", "(BETWEEN a (AND (+ b 1) (* c 2)))"},
      {"a BETWEEN 1 AND 2 OR c", "(OR (BETWEEN a (AND 1 2)) c)"},
      {"a NOT BETWEEN 1 AND 2", "(NOT BETWEEN a (AND 1 2))"},
      {"x = a BETWEEN 1 AND 2", "(= x (BETWEEN a (AND 1 2)))"},
      {"x + a BETWEEN 1 AND 2", "(BETWEEN (+ x a) (AND 1 2))"},
      {"a not like 'x%'", "(NOT LIKE a 'x%')"},
      {"a LIKE 'x%' OR b", "(OR (LIKE a 'x%') b)"},
  };
  ExpectTrees(std::begin(cases), std::end(cases));
}

TEST_F(ExprParser, LiteralsAndTokens) {
  const TreeCase cases[] = {
      {"'it''s'", "'it's'"},
      {"\"say \"\"hi\"\"\"", "'say \"hi\"'"},
      {"\"it's\"", "'it's'"},
      {"'open", "'open'"},
      {"'a' || \"", "(|| 'a' '')"},
      {"null", "''"},
      {"NULL IS NULL", "(IS NULL '')"},
      {"''", "''"},
      {"1.2.3", "1.2"},
      {"007", "7"},
      {"2.50", "2.5"},
      {"a != b", "(<> a b)"},
      {"a ^= b", "(<> a b)"},
      {"a<>b", "(<> a b)"},
      {"a\t+\tb", "(+ a b)"},
      {"  a  ", "a"},
      {"A", "a"},
  };
  ExpectTrees(std::begin(cases), std::end(cases));
}

TEST_F(ExprParser, KeywordsAndFunctionsInAnyCase) {
  const TreeCase cases[] = {
      {"a And b oR c", "(OR (AND a b) c)"},
      {"a Is Not Null", "(IS NOT NULL a)"},
      {"a iN (1)", "(IN a 1)"},
      {"a nOt In (1)", "(NOT IN a 1)"},
      {"a BeTwEeN 1 aNd 2", "(BETWEEN a (AND 1 2))"},
      {"Not a", "(NOT a)"},
      {"a div b", "(\\ a b)"},
      {"Abs(a)", "ABS(a)"},
      {"concat(a, b, c, d)", "CONCAT(a, b, c, d)"},
      {"NOW()", "NOW()"},
      {"rand()", "RAND()"},
      {"Rand(1)", "RAND(1)"},
      {"if(a, b, c) + 1", "(+ IF(a, b, c) 1)"},
      {"ucase(lcase(a))", "UCASE(LCASE(a))"},
      {"CONVERT(a, SQL_INTEGER)", "CONVERT(a, ?SQL_INTEGER)"},
      {"convert(a, 'VARCHAR')", "CONVERT(a, 'VARCHAR')"},
      {"(abs)(1)", "ABS(1)"},
  };
  ExpectTrees(std::begin(cases), std::end(cases));
}

TEST_F(ExprParser, ModIsAnOperatorOrAFunction) {
  TExpression call, infix;
  ASSERT_TRUE(call.Compile("T", "mod(7, 3)"));
  ASSERT_TRUE(infix.Compile("T", "7 mod 3"));
  EXPECT_EQ(call.GetRoot()->Class, NodeCall);
  EXPECT_EQ(call.GetRoot()->Kind, 60);
  EXPECT_EQ(call.GetRoot()->First.Count, 2);
  EXPECT_EQ(infix.GetRoot()->Class, NodeBinary);
  EXPECT_EQ(infix.GetRoot()->Kind, 25);
}

TEST_F(ExprParser, NodeLevelsKindsAndClasses) {
  TExpression e;
  ASSERT_TRUE(e.Compile("t", "(a + 1) * 2.5 = 'x'"));
  const TExprNode* eq = e.GetRoot();
  EXPECT_EQ(e.GetEntity(), TheModel.FindEntity("T"));
  EXPECT_EQ(eq->Kind, KindEqual);
  EXPECT_EQ(eq->Level, 4);
  const TExprNode* times = eq->First.Operand;
  EXPECT_EQ(times->Level, 7);
  const TExprNode* group = times->First.Operand;
  EXPECT_EQ(group->Kind, KindPlus);
  EXPECT_EQ(group->Level, 9);
  EXPECT_EQ(group->First.Operand->Class, NodeAttribute);
  EXPECT_EQ(group->Second.Operand->Class, NodeInteger);
  EXPECT_EQ(group->Second.Operand->First.Integer, 1);
  EXPECT_EQ(times->Second.Operand->Class, NodeReal);
  EXPECT_DOUBLE_EQ(times->Second.Operand->First.Real, 2.5);
  EXPECT_EQ(eq->Second.Operand->Class, NodeString);
  EXPECT_EQ(eq->Second.Operand->Level, 9);
  e.Clear();
  EXPECT_EQ(e.GetRoot(), nullptr);
  EXPECT_EQ(e.GetEntity(), nullptr);
}

TEST_F(ExprParser, SymbolTable) {
  struct Row { int kind; const char* name; int min, max; };
  const Row rows[] = {{0, "atom", -1, -1},  {19, "||", -1, -1},      {24, "\\", -1, -1},
                      {28, ":", -1, -1},    {29, "AVG", 1, 1},       {36, "CONCAT", 2, -1},
                      {41, "LOCATE", 2, 3}, {60, "MOD", 2, 2},       {62, "RAND", 0, 1},
                      {84, "CONVERT", 2, 2}, {90, "NEXTSEQUENCE", 0, 2}, {95, "GETCHILDFIELD", 1, 3},
                      {97, "FORMATSTRING", 1, 4}, {103, "GETPARTIALCOUNT", 1, 2},
                      {104, "EXECUTE", 1, 6}, {106, "MESSAGEBEEP", 1, 1}};
  for (const Row& r : rows) {
    EXPECT_STREQ(ExpressionSymbols[r.kind].name, r.name);
    EXPECT_EQ(ExpressionSymbols[r.kind].minArgs, r.min) << r.name;
    EXPECT_EQ(ExpressionSymbols[r.kind].maxArgs, r.max) << r.name;
  }
  EXPECT_EQ(FindFunctionKind("mod"), 60);
  EXPECT_EQ(FindFunctionKind("messagebeep"), 106);
  EXPECT_EQ(FindFunctionKind("AND"), -1);
}

TEST_F(ExprParser, ErrorsWithCodeAndMessage) {
  const TreeCase cases[] = {
      {"", "E201 Misplaced symbol encountered: : "},
      {"   ", "E201 Misplaced symbol encountered: : "},
      {"(a", "E201 Misplaced symbol encountered: : "},
      {"a +", "E203 Unfinished expression: "},
      {"(", "E203 Unfinished expression: "},
      {"()", "E203 Unfinished expression: "},
      {"a + )", "E203 Unfinished expression: "},
      {"a + !", "E203 Unfinished expression: "},
      {"NOT", "E203 Unfinished expression: "},
      {"x BETWEEN 1 OR 2", "E204 BETWEEN operator without AND: "},
      {"x BETWEEN 1", "E204 BETWEEN operator without AND: "},
      {"x BETWEEN", "E201 Misplaced symbol encountered: : "},
      {"a ! b", "E200 Invalid symbol encountered: : !"},
      {"a | b", "E200 Invalid symbol encountered: : |"},
      {"a ; b", "E200 Invalid symbol encountered: : ;"},
      {"a . b", "E200 Invalid symbol encountered: : ."},
      {"^", "E200 Invalid symbol encountered: : ^"},
      {"a\nb", "E200 Invalid symbol encountered: : \n"},
      {"a \xE9", "E200 Invalid symbol encountered: : \xE9"},
      {"a b", "E201 Misplaced symbol encountered: : b"},
      {"1 2", "E201 Misplaced symbol encountered: : 2"},
      {"a 'b'", "E201 Misplaced symbol encountered: : 'b"},
      {"a, b", "E202 Extra symbols encountered starting with: : ,"},
      {"a)", "E202 Extra symbols encountered starting with: : )"},
      {")", "E201 Misplaced symbol encountered: : )"},
      {"* a", "E201 Misplaced symbol encountered: : *"},
      {"foo(1)", "E206 Undefined function: : foo"},
      {"LEFT(a)", "E207 Incorrect number of parameters for function: : LEFT"},
      {"left(a)", "E207 Incorrect number of parameters for function: : LEFT"},
      {"abs()", "E207 Incorrect number of parameters for function: : ABS"},
      {"now(1)", "E207 Incorrect number of parameters for function: : NOW"},
      {"execute(1,2,3,4,5,6,7)", "E207 Incorrect number of parameters for function: : EXECUTE"},
      {"abs(", "E201 Misplaced symbol encountered: : "},
      {"abs(1", "E203 Unfinished expression: "},
      {"abs(1,", "E201 Misplaced symbol encountered: : "},
      {"abs(1,)", "E201 Misplaced symbol encountered: : )"},
      {"abs(,1)", "E201 Misplaced symbol encountered: : ,"},
      {"abs(foo(1))", "E206 Undefined function: : foo"},
      {"a IN 1", "E201 Misplaced symbol encountered: : 1"},
      {"a IN", "E201 Misplaced symbol encountered: : "},
      {"a IN (1, )", "E201 Misplaced symbol encountered: : )"},
      {"a IN (1", "E203 Unfinished expression: "},
      {"a IN (1,", "E201 Misplaced symbol encountered: : "},
      {"a IS b", "E201 Misplaced symbol encountered: : b"},
      {"a IS NOT b", "E201 Misplaced symbol encountered: : b"},
      {"a IS", "E201 Misplaced symbol encountered: : "},
      {"a NOT x", "E201 Misplaced symbol encountered: : x"},
      {"a IS NULL (1)", "E201 Misplaced symbol encountered: : ("},
      {"1(2)", "E201 Misplaced symbol encountered: : ("},
  };
  ExpectTrees(std::begin(cases), std::end(cases));
  EXPECT_EQ(CompileToText("Nope", "1"), "E213 Undefined entity: : Nope");
}

TEST_F(ExprParser, FailedCompileLeavesNoTree) {
  TExpression e;
  ASSERT_TRUE(e.Compile("T", "a"));
  EXPECT_FALSE(e.Compile("T", "a +"));
  EXPECT_EQ(e.GetRoot(), nullptr);
  ASSERT_TRUE(e.Compile("T", "b"));
  EXPECT_TRUE(ExpressionErrorState.IsErrorFree());
  EXPECT_EQ(FormatExprTree(e.GetRoot()), "b");
}

// A long text of any shape must neither overrun a buffer nor exhaust the stack.
TEST_F(ExprParser, LongAndDeepTexts) {
  const std::string name(100000, 'n');
  // A detail that alone fills the message leaves no room for the table's text.
  EXPECT_EQ(CompileToText("T", name.c_str()), "E208 " + name.substr(0, 1023));

  const std::string text = "'" + std::string(200000, 'q') + "'";
  EXPECT_EQ(CompileToText("T", text.c_str()).size(), 200002u);

  auto repeat = [](const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
  };
  const int deep = 100000;
  const std::string groups = repeat("(", deep) + "1" + repeat(")", deep);
  EXPECT_EQ(CompileToText("T", groups.c_str()), "E201 Misplaced symbol encountered: : (");
  const std::string minus = repeat("-", deep) + "1";
  EXPECT_EQ(CompileToText("T", minus.c_str()), "E201 Misplaced symbol encountered: : -");
  const std::string calls = repeat("abs(", deep) + "1" + repeat(")", deep);
  EXPECT_EQ(CompileToText("T", calls.c_str()), "E201 Misplaced symbol encountered: : abs");
  const std::string chain = "a" + repeat(" + a", deep);
  EXPECT_EQ(CompileToText("T", chain.c_str()), "E201 Misplaced symbol encountered: : a");
  const std::string tests = "a" + repeat(" IS NULL", deep);
  EXPECT_EQ(CompileToText("T", tests.c_str()), "E201 Misplaced symbol encountered: : NULL");
  // Within the limit on nesting, but a left-grouped chain on a deep first operand.
  const std::string lopsided = repeat("abs(", 300) + "1" + repeat(")", 300) + repeat(" + a", 300);
  EXPECT_EQ(CompileToText("T", lopsided.c_str()), "E201 Misplaced symbol encountered: : ");

  const std::string fits = repeat("(", MaxExpressionDepth - 1) + "1" + repeat(")", MaxExpressionDepth - 1);
  EXPECT_EQ(CompileToText("T", fits.c_str()), "1");
  const std::string list = "a IN (" + repeat("1, ", deep) + "2)";
  TExpression e;
  EXPECT_TRUE(e.Compile("T", list.c_str()));
}
