// Time to evaluate compiled expressions of several kinds (no record, no database): the
// cost per evaluation of operators, text functions and the bounded text builders.
#include "data/core/strings.h"
#include "data/model/model.h"
#include "expr/expr.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

void BuildBenchModel() {
  TheModel.Clear();
  TheModel.EntityCount = TheModel.EntityCapacity = 1;
  TheModel.Entities = new TEntity[1];
  ReplaceString(&TheModel.Entities[0].Name, "Item");
}

std::string InList(int count) {
  std::string text = "'K99' IN (";
  for (int i = 0; i < count; ++i) text += (i ? ", 'K" : "'K") + std::to_string(i) + "'";
  return text + ")";
}

}  // namespace

int main() {
  BuildBenchModel();
  const std::string in100 = InList(100);
  const struct {
    const char* name;
    std::string text;
    int repeats;
  } cases[] = {
      {"arithmetic", "(12.5 * 3 + 7) / 2 - 4 MOD 3", 200000},
      {"comparison and logic", "3 BETWEEN 1 AND 5 AND 'abc' LIKE 'a%' OR 2 = 2.0", 200000},
      {"text functions", "UCASE(SUBSTRING(CONCAT('hello', ' ', 'world'), 2, 8)) || LEFT('abc', 2)", 200000},
      {"IN list of 100", in100, 20000},
      {"dates", "DAYOFYEAR('2024-03-15') + COMPAREDATES('2024-03-15', '2023-01-01')", 200000},
      {"FORMATSTRING", "FORMATSTRING('%s-%10s-%.3s', 'a', 'b', 'cdef')", 200000},
      {"REPEAT to 8191 bytes", "LENGTH(REPEAT('abc', 100000))", 2000},
      {"REPLACE over 5000 bytes", "LENGTH(REPLACE(REPEAT('ab', 2500), 'b', 'c'))", 200},
  };
  std::printf("%-26s %12s\n", "expression", "us per eval");
  char* buffer;
  GetTempString(&buffer);
  for (const auto& c : cases) {
    TExpression expression;
    if (!expression.Compile("Item", c.text.c_str())) {
      std::printf("%s: %s\n", c.name, ExpressionErrorState.GetErrorMessage());
      return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < c.repeats; ++i) {
      if (!expression.EvaluateToString(nullptr, buffer, 12, 8192, 0)) {
        std::printf("%s: %s\n", c.name, ExpressionErrorState.GetErrorMessage());
        return 1;
      }
    }
    const double us =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / c.repeats;
    std::printf("%-26s %12.2f   (%s)\n", c.name, us, buffer);
  }
  ReleaseTempString(&buffer);
  return 0;
}
