// Random and mutated expression texts: the compiler never crashes or hangs, and every
// failure is an error of the expression table with that table's text.
#include "data/core/strings.h"
#include "data/model/model.h"
#include "expr/expr.h"
#include "support/test_model.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>

namespace {

const char* const Pieces[] = {
    "a", "b", "qty", "r", "many", "x", "s", "zz", "1", "2.5", "1.2.3", "0", "'t'", "'it''s'",
    "\"q\"", "'", "\"", "NULL", "null", "(", ")", ",", ":", "+", "-", "*", "/", "\\", "||",
    "=", "<>", "!=", "^=", "<", ">", "<=", ">=", "AND", "or", "NOT", "not", "IN", "in", "IS",
    "BETWEEN", "LIKE", "DIV", "MOD", "mod", "SUM(", "abs(", "CONCAT(", "left(", "NOW(",
    "CONVERT(", "GETPARTIALSUM(", "foo(", "!", "^", "|", ";", ".", "\t", " ", "\xE9", "_a",
};

const char* const Seeds[] = {
    "a + b * 3 = qty",
    "NOT a IN (1, 2) AND b BETWEEN 1 AND 2 OR x IS NOT NULL",
    "r:s:x || 'abc' || CONCAT(a, b, 'c''d')",
    "SUM(many:qty) + GETPARTIALSUM(many:qty, qty > 0) / 2.5",
    "IF(a LIKE 'x%', left(b, 2), CONVERT(qty, SQL_INTEGER)) NOT BETWEEN -1 AND +1",
    "((a)) mod 3 div -(b) \\ 2 <> 1",
};

class ExprFuzz : public ::testing::Test {
protected:
  void SetUp() override {
    BuildModel(TheModel, {
        {"T", {{"a"}, {"b"}, {"x"}, {"qty"}},
         {{"r", "S", "", "S", "T", 0, ""}, {"many", "S", "", "T", "S", 1, ""}}},
        {"S", {{"x"}, {"qty"}}, {{"s", "U", "", "U", "S", 0, ""}}},
        {"U", {{"x"}}, {}},
    });
  }
  void TearDown() override { TheModel.Clear(); }

  // Compiles one text and checks the outcome; false after a failed check.
  bool Check(const std::string& text) {
    TExpression expression;
    const int compiled = expression.Compile("T", text.c_str());
    const uint32_t code = ExpressionErrorState.GetErrorCode();
    const std::string message = ExpressionErrorState.GetErrorMessage();
    EXPECT_EQ(TempStringsInUse(), 0) << text;
    if (compiled) {
      EXPECT_EQ(code, 0u) << text;
      EXPECT_NE(expression.GetRoot(), nullptr) << text;
      ++compiledCount;
      return code == 0 && expression.GetRoot();
    }
    EXPECT_EQ(expression.GetRoot(), nullptr) << text;
    const char* tableText = FindErrorText(ExpressionErrors, code);
    EXPECT_TRUE(code >= 200 && code <= 218 && tableText) << "code " << code << " for: " << text;
    if (!tableText) return false;
    const std::string prefix = std::string(tableText) + ": ";
    EXPECT_EQ(message.compare(0, prefix.size(), prefix), 0) << message << " for: " << text;
    return message.compare(0, prefix.size(), prefix) == 0;
  }

  int compiledCount = 0;
};

}  // namespace

TEST_F(ExprFuzz, RandomAndMutatedTexts) {
  std::mt19937 random(20261210);
  auto pick = [&](int n) { return int(random() % unsigned(n)); };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int runs = 0;
  for (const char* seed : Seeds) ASSERT_TRUE(Check(seed)) << seed;
  EXPECT_EQ(compiledCount, int(std::size(Seeds)));

  for (; runs < 30000 && std::chrono::steady_clock::now() < deadline; ++runs) {
    std::string text;
    switch (runs % 3) {
      case 0: {  // random pieces
        const int n = 1 + pick(25);
        for (int i = 0; i < n; ++i) {
          text += Pieces[pick(int(std::size(Pieces)))];
          if (pick(2)) text += ' ';
        }
        break;
      }
      case 1: {  // a valid text with pieces inserted, removed or replaced
        text = Seeds[pick(int(std::size(Seeds)))];
        for (int edits = 1 + pick(4); edits > 0 && !text.empty(); --edits) {
          const size_t at = size_t(pick(int(text.size())));
          const size_t length = size_t(1 + pick(4));
          switch (pick(3)) {
            case 0: text.insert(at, Pieces[pick(int(std::size(Pieces)))]); break;
            case 1: text.erase(at, length); break;
            default: text.replace(at, length, Pieces[pick(int(std::size(Pieces)))]); break;
          }
        }
        break;
      }
      default: {  // raw bytes, mostly printable
        const int n = pick(40);
        for (int i = 0; i < n; ++i) text += char(pick(4) ? 32 + pick(95) : 1 + pick(255));
        break;
      }
    }
    if (!Check(text)) break;
  }
  EXPECT_GE(runs, 3000) << "too slow: the fuzz run hit its time limit";
  EXPECT_GT(compiledCount, 100);  // the generator reaches the successful paths too
}

// Deep and long shapes built at random: bounded by the nesting limit, never a crash.
TEST_F(ExprFuzz, DeepRandomNesting) {
  std::mt19937 random(7);
  const char* const openers[] = {"(", "-", "NOT ", "abs(", "a + ", "a IN (", "a = ", "r:"};
  const char* const closers[] = {")", "", "", ")", "", ")", "", ""};
  for (int run = 0; run < 40; ++run) {
    std::string head, tail;
    const int depth = 100 + int(random() % 1000);
    for (int i = 0; i < depth; ++i) {
      const int k = int(random() % std::size(openers));
      head += openers[k];
      tail = closers[k] + tail;
    }
    ASSERT_TRUE(Check(head + "1" + tail));
    ASSERT_TRUE(Check(head + "1" + tail.substr(0, tail.size() / 2)));
  }
}
