// The evaluator's operators: leaves, logic with short-circuit, comparisons, IN, BETWEEN,
// LIKE, concatenation and arithmetic, and the text of EvaluateToString.
#include "data/core/strings.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "expr/expr.h"
#include "support/expr_eval.h"
#include "support/test_model.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <iterator>
#include <memory>
#include <functional>
#include <random>
#include <set>
#include <vector>
#include <string>

namespace {

struct TCase {
  const char* text;
  const char* result;
};

class ExprEvaluate : public ::testing::Test {
protected:
  void SetUp() override {
    BuildModel(TheModel, ShopModel());
    TheModel.LinkAndValidate();
    held_ = TempStringsInUse();
  }
  void TearDown() override {
    TheModel.Clear();
    EXPECT_EQ(TempStringsInUse(), held_);
  }
  int held_ = 0;
  void Check(const TCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(EvalToText("Order", cases[i].text), cases[i].result) << cases[i].text;
      EXPECT_EQ(TempStringsInUse(), held_) << cases[i].text;
    }
  }
};

}  // namespace

TEST_F(ExprEvaluate, Arithmetic) {
  const TCase cases[] = {
      {"1 + 2.5", "long 3"},
      {"1.5 + 2.5", "double 4"},
      {"'1.5' + '2'", "double 3.5"},
      {"2 * 1.9", "long 2"},
      {"8 - 4 - 2", "long 2"},
      {"1 + 2 * 3", "long 7"},
      {"7 / 2", "double 3.5"},
      {"7.5 / 2.5", "double 3"},
      {"7 \\ 2", "long 3"},
      {"-7 \\ 2", "long -3"},
      {"7 DIV 2.9", "long 3"},
      {"-7 MOD 3", "long -1"},
      {"7 MOD 3", "long 1"},
      {"-2 * 3", "long -6"},
      {"-(2.5)", "double -2.5"},
      {"+'3'", "double 3"},
      {"+4", "long 4"},
      {"- '1.25'", "double -1.25"},
      {"2147483647 + 1", "long -2147483648"},
      {"(0 - 2147483647 - 1) \\ -1", "long -2147483648"},
      {"5 / 0", "E214 Divide by zero: "},
      {"5.5 / 0.0", "E214 Divide by zero: "},
      {"5.5 / '0'", "E214 Divide by zero: "},
      {"5 \\ 0", "E214 Divide by zero: "},
      {"7 MOD 0", "E215 Illegal function call for: : MOD"},
      {"7 MOD -2", "E215 Illegal function call for: : MOD"},
      {"1 + 5 / 0", "E214 Divide by zero: "},
  };
  Check(cases, std::size(cases));
}

TEST_F(ExprEvaluate, ComparisonsAndTests) {
  const TCase cases[] = {
      {"'10' = 10", "long 1"},
      {"'10' = '10.0'", "long 0"},
      {"2 = 2.0", "long 1"},
      {"'2.5' = 2", "long 1"},  // compared as longs: the text is cut at its '.'
      {"'2.5' = 2.0", "long 0"},
      {"'abc' < 'abd'", "long 1"},
      {"'B' < 'a'", "long 1"},
      {"3 <> 4", "long 1"},
      {"3 >= 3", "long 1"},
      {"3 > 3", "long 0"},
      {"2 <= 1", "long 0"},
      {"'b' > 'a'", "long 1"},
      {"'abc' LIKE 'a%'", "long 1"},
      {"'abc' NOT LIKE 'a_'", "long 1"},
      {"'ABC' LIKE 'a%'", "long 0"},
      {"12 LIKE '1_'", "long 1"},
      {"'' IS NULL", "long 1"},
      {"NULL IS NULL", "long 1"},
      {"0 IS NULL", "long 0"},
      {"0.0 IS NOT NULL", "long 1"},
      {"'x' IS NOT NULL", "long 1"},
      {"3 IN (1, 2, 3)", "long 1"},
      {"3 NOT IN (1, 2)", "long 1"},
      {"'3' IN (1, 3)", "long 1"},
      {"'b' IN ('a', 'B')", "long 0"},
      {"3 IN ()", "long 0"},
      {"1 IN (1, 1 / 0)", "long 1"},  // the list stops at the first match
      {"2 IN (1, 1 / 0)", "E214 Divide by zero: "},
      {"5 BETWEEN 1 AND 5", "long 1"},
      {"1 BETWEEN 1 AND 5", "long 1"},
      {"6 BETWEEN 1 AND 5", "long 0"},
      {"0 NOT BETWEEN 1 AND 5", "long 1"},
      {"'5' BETWEEN 1 AND '10'", "long 1"},  // the value, made a long by the first test, stays one
      {"3 BETWEEN 5 AND 1 / 0", "E214 Divide by zero: "},  // all three are evaluated first
      {"2.5 BETWEEN 2 AND 3", "long 1"},
  };
  Check(cases, std::size(cases));
}

TEST_F(ExprEvaluate, LogicShortCircuits) {
  const TCase cases[] = {
      {"1 OR 1 / 0", "long 1"},
      {"0 AND 1 / 0", "long 0"},
      {"0 OR 1 / 0", "E214 Divide by zero: "},
      {"1 AND 1 / 0", "E214 Divide by zero: "},
      {"1 / 0 OR 1", "E214 Divide by zero: "},
      {"2 AND 3", "long 1"},
      {"0 OR 0.5", "long 0"},  // truth is the value as a long
      {"'7' OR 0", "long 1"},
      {"NOT 0", "long 1"},
      {"NOT 'abc'", "long 1"},
      {"NOT 2", "long 0"},
      {"NOT 1 = 0", "long 1"},  // (NOT 1) = 0
  };
  Check(cases, std::size(cases));
}

TEST_F(ExprEvaluate, LeavesAndConcatenation) {
  const TCase cases[] = {
      {"'it''s'", "text it's"},
      {"NULL", "text "},
      {"42", "long 42"},
      {"2.50", "double 2.5"},
      {"'a' || 1 || 2.5", "text a12.5"},
      {"'x' || NULL || 'y'", "text xy"},
      {"'a' || 1 / 0", "E214 Divide by zero: "},
  };
  Check(cases, std::size(cases));
}

TEST_F(ExprEvaluate, AttributesNeedARecord) {
  // Without a record an attribute has nothing to read: the evaluation fails, no crash.
  EXPECT_EQ(EvalToText("Order", "amount + 1"), "fail");
  EXPECT_EQ(EvalToText("Order", "1 OR amount"), "long 1");
  EXPECT_EQ(EvalToText("Order", "IF(0, note, 'n')"), "text n");
}

// Attribute values are the record's texts; numbers are computed from them, and a
// computed attribute is computed when it is read.
TEST(ExprEvaluateRecord, AttributesAreTheRecordsTexts) {
  std::vector<TEntitySpec> model = ShopModel();
  TAttrSpec twice("twice", "DECIMAL(10,2)");
  twice.nonStored = 1;
  twice.calculated = 1;
  twice.defaultText = "amount * 2.0";
  model[1].attributes.push_back(twice);
  BuildModel(TheModel, model);
  TheModel.LinkAndValidate();
  {
    std::unique_ptr<TDBRecord> order(NewDBRecord("Order"));
    order->SetValue(TAttrRef("amount"), "2.50");
    order->SetValue(TAttrRef("note"), "old");
    order->SetNewValue(TAttrRef("note"), "hi");
    // The record classes keep one pool buffer for their evaluations from the first on.
    order->EvaluateExpression("1", 12, 10, 0);
    const int held = TempStringsInUse();
    const TCase cases[] = {
        {"amount * 2", "long 4"},  // the text is cut at its '.' by a long operand
        {"amount * 2.0", "double 5"},
        {"amount + 0.5", "double 3"},
        {"amount = 2.5", "long 1"},
        {"amount = '2.50'", "long 1"},
        {"amount = '2.5'", "long 0"},
        {"note", "text hi"},
        {"note || '/' || amount", "text hi/2.50"},
        {"id IS NULL AND note IS NOT NULL", "long 1"},
        {"customer_id IN (1, '')", "long 1"},
        {"IFNULL(id, 'none')", "text none"},
        {"twice", "text 5.00"},
        {"twice / 2", "double 2.5"},
    };
    for (const TCase& c : cases) {
      EXPECT_EQ(EvalToText("Order", c.text, order.get()), c.result) << c.text;
      EXPECT_EQ(TempStringsInUse(), held) << c.text;
    }
    TExpression e;
    ASSERT_TRUE(e.Compile("Order", "amount * 3"));
    TTempString buffer;
    EXPECT_EQ(e.EvaluateToString(order.get(), buffer, 3, 10, 2), 1);
    EXPECT_STREQ(buffer, "6.00");
  }
  TheModel.Clear();
}

TEST(ExprEvaluateRecord, AnAttributeOfAnotherEntityIsAnErrorNotARead) {
  BuildModel(TheModel, ShopModel());
  TheModel.LinkAndValidate();
  {
    // Order has four attributes, Line three: "note" (the fourth) lies beyond a Line's fields.
    std::unique_ptr<TDBRecord> line(NewDBRecord("Line"));
    line->SetValue(TAttrRef("qty"), "2");
    const TCase cases[] = {
        {"note", "E208 Undefined attribute: : note for a record of Line"},
        {"'x' || amount", "E208 Undefined attribute: : amount for a record of Line"},
        {"1 + 1", "long 2"},  // nothing read from the record
    };
    for (const TCase& c : cases) EXPECT_EQ(EvalToText("Order", c.text, line.get()), c.result) << c.text;
  }
  TheModel.Clear();
}

TEST_F(ExprEvaluate, LongTextsStopAtTheBufferSize) {
  std::string a(6000, 'a'), b(6000, 'b');
  std::string text = "'" + a + "' || '" + b + "'";
  std::string result = EvalToText("Order", text.c_str());
  ASSERT_EQ(result.size(), 5 + 8191u);
  EXPECT_EQ(result.substr(5, 6000), a);

  TExpression e;
  ASSERT_TRUE(e.Compile("Order", text.c_str()));
  char* buffer;
  GetTempString(&buffer);
  ASSERT_EQ(e.EvaluateToString(nullptr, buffer, 12, 20000, 0), 1);
  EXPECT_EQ(std::string(buffer).size(), 8191u);
  ReleaseTempString(&buffer);
}

TEST_F(ExprEvaluate, DeepChainsEvaluate) {
  std::string text = "1";
  for (int i = 0; i < 450; ++i) text += " + 1";
  EXPECT_EQ(EvalToText("Order", text.c_str()), "long 451");
  std::string nested;
  for (int i = 0; i < 200; ++i) nested += "(";
  nested += "2";
  for (int i = 0; i < 200; ++i) nested += " * 1)";
  EXPECT_EQ(EvalToText("Order", nested.c_str()), "long 2");
}

TEST_F(ExprEvaluate, EvaluateToStringFormatsForTheColumn) {
  struct Case { const char* text; int sqlType; int length; int scale; int ok; const char* buffer; const char* error; };
  const Case cases[] = {
      {"11 / 4", 4, 0, 0, 1, "2", ""},
      {"11 / 4", 3, 10, 3, 1, "2.750", ""},
      {"11 / 4", 12, 8192, 0, 1, "2.75", ""},
      {"'abcdef'", 12, 3, 0, 1, "abc", ""},
      {"3 > 2", 4, 0, 0, 1, "1", ""},
      {"1 / 0", 12, 8192, 0, 0, "", "Divide by zero: "},
  };
  for (const Case& c : cases) {
    TExpression e;
    ASSERT_TRUE(e.Compile("Order", c.text)) << c.text;
    TTempString buffer;
    std::strcpy(buffer, "old");
    ExpressionErrorState.SetErrorText(999, "stale");
    EXPECT_EQ(e.EvaluateToString(nullptr, buffer, c.sqlType, c.length, c.scale), c.ok) << c.text;
    EXPECT_STREQ(buffer, c.buffer) << c.text;
    EXPECT_STREQ(ExpressionErrorState.GetErrorMessage(), c.error) << c.text;
    EXPECT_EQ(ExpressionErrorState.GetErrorCode(), c.ok ? 0u : 214u) << c.text;
  }
  // No tree: an empty buffer, 0, and no error.
  TExpression empty;
  TTempString buffer;
  std::strcpy(buffer, "old");
  EXPECT_EQ(empty.EvaluateToString(nullptr, buffer, 12, 10, 0), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_TRUE(ExpressionErrorState.IsErrorFree());
}

TEST_F(ExprEvaluate, NullAndUnknownNodesFailWithoutError) {
  TExpression e;
  ASSERT_TRUE(e.Compile("Order", "1"));
  TValue value;
  value.SetString("kept");
  ExpressionErrorState.SetErrorText(0, "");
  EXPECT_EQ(e.EvaluateNode(nullptr, nullptr, value), 0);
  TExprNode odd;
  odd.Kind = 107;
  EXPECT_EQ(e.EvaluateNode(nullptr, &odd, value), 0);
  odd.Kind = 0;
  odd.Class = NodeName;
  odd.First.Text = const_cast<char*>("name");
  EXPECT_EQ(e.EvaluateNode(nullptr, &odd, value), 0);
  EXPECT_TRUE(ExpressionErrorState.IsErrorFree());
  EXPECT_STREQ(value.AsString(), "kept");
}

// Random well-formed expressions of literals, operators and the scalar functions (not
// those that start programs, send mail, beep or read the database): each evaluates
// without a crash, gives back its pool buffers and fails only with the evaluator's own
// errors (or without one, for an attribute with no record).
TEST_F(ExprEvaluate, RandomExpressionsEvaluateSafely) {
  const char* const leaves[] = {"1", "0", "-1", "7", "2.5", "0.0", "'abc'", "''", "'a%'", "'%s-%5s'",
                                "'2024-03-15'", "'10:20:30'", "NULL", "amount", "'b'", "100000"};
  const char* const binaries[] = {"+", "-", "*", "/", "\\", "MOD", "||", "=", "<>", "<", ">=",
                                  "AND", "OR", "LIKE", "NOT LIKE"};
  const std::set<int> excluded = {KindNextSequence, KindSendMail, KindGetChildField, KindGetPartialSum,
                                  KindGetCurrentField, KindGetCurrentCount, KindGetCurrentSum,
                                  KindGetPartialCount, KindExecute, KindQuery, KindMessageBeep};
  std::vector<int> functions;
  for (int kind = KindAscii; kind <= KindLastFunction; ++kind)
    if (!excluded.count(kind)) functions.push_back(kind);
  std::mt19937 random(4711);
  auto pick = [&](size_t n) { return size_t(random() % n); };
  std::function<std::string(int)> make = [&](int depth) -> std::string {
    const size_t choice = depth <= 0 ? 0 : pick(7);
    switch (choice) {
      case 0: return leaves[pick(std::size(leaves))];
      case 1: return "(" + make(depth - 1) + " " + binaries[pick(std::size(binaries))] + " " + make(depth - 1) + ")";
      case 2: return pick(2) ? "NOT " + make(depth - 1) : "-(" + make(depth - 1) + ")";
      case 3: return "(" + make(depth - 1) + (pick(2) ? " IN (" : " NOT IN (") + make(depth - 1) + ", " +
                     make(depth - 1) + "))";
      case 4: return "(" + make(depth - 1) + " BETWEEN " + make(depth - 1) + " AND " + make(depth - 1) + ")";
      case 5: return "(" + make(depth - 1) + (pick(2) ? " IS NULL)" : " IS NOT NULL)");
      default: {
        const int kind = functions[pick(functions.size())];
        const TSymbolEntry& entry = ExpressionSymbols[kind];
        int count = entry.minArgs + int(pick(size_t((entry.maxArgs < 0 ? 4 : entry.maxArgs) - entry.minArgs + 1)));
        std::string text = std::string(entry.name) + "(";
        for (int i = 0; i < count; ++i) {
          if (i) text += ", ";
          text += kind == KindConvert && i == 1 ? (pick(2) ? "SQL_INTEGER" : "'varchar'") : make(depth - 1);
        }
        return text + ")";
      }
    }
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int runs = 0, succeeded = 0;
  for (; runs < 20000 && std::chrono::steady_clock::now() < deadline; ++runs) {
    const std::string text = make(1 + int(pick(5)));
    TExpression expression;
    ASSERT_TRUE(expression.Compile("Order", text.c_str())) << ExpressionErrorState.GetErrorMessage() << ": " << text;
    ExpressionErrorState.SetErrorText(0, "");
    TValue value;
    if (expression.EvaluateNode(nullptr, expression.GetRoot(), value)) {
      ++succeeded;
      ASSERT_LE(std::strlen(value.AsString()), 8191u) << text;
    } else {
      const uint32_t code = ExpressionErrorState.GetErrorCode();
      ASSERT_TRUE(code == 0 || (code >= 214 && code <= 216)) << code << " for: " << text;
    }
    ASSERT_EQ(TempStringsInUse(), held_) << text;
  }
  EXPECT_GE(runs, 2000) << "too slow: the run hit its time limit";
  EXPECT_GT(succeeded, runs / 4);
}
