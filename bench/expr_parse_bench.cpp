// Time to compile expression texts of about 1 KB, 10 KB and 100 KB, for texts of several
// shapes; the time per KB must stay flat as the texts grow.
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
  TEntity& entity = TheModel.Entities[0];
  ReplaceString(&entity.Name, "Item");
  const char* names[] = {"price", "qty", "name", "code"};
  entity.AttributeCount = entity.AttributeCapacity = 4;
  entity.Attributes = new TAttribute[4];
  for (int i = 0; i < 4; ++i) ReplaceString(&entity.Attributes[i].Name, names[i]);
}

// Repeats a unit, joined by a separator, until the text reaches the size.
std::string Grow(const std::string& head, const std::string& unit, const std::string& separator,
                 const std::string& tail, size_t size) {
  std::string text = head + unit;
  while (text.size() + tail.size() < size) text += separator + unit;
  return text + tail;
}

struct TShape {
  const char* name;
  std::string (*make)(size_t size);
};

const TShape Shapes[] = {
    {"concat of groups", [](size_t size) {
       return Grow("CONCAT(", "(price * 2 + qty - 1) || UCASE(name)", ", ", ")", size);
     }},
    {"in list", [](size_t size) { return Grow("code IN (", "'A-1234'", ", ", ")", size); }},
    {"or of ands, grouped by 40", [](size_t size) {
       std::string group = Grow("(", "price > 1 AND qty < 9", " OR ", ")", 40 * 24);
       return Grow("", group, " AND ", "", size);
     }},
    {"long string", [](size_t size) { return "'" + std::string(size - 2, 's') + "'"; }},
};

}  // namespace

int main() {
  BuildBenchModel();
  std::printf("%-28s %8s %10s %12s\n", "shape", "KB", "ms", "us per KB");
  for (const TShape& shape : Shapes) {
    for (size_t kb : {1, 10, 100}) {
      const std::string text = shape.make(kb * 1024);
      const int repeats = int(2000 / kb);
      TExpression expression;
      const auto start = std::chrono::steady_clock::now();
      for (int i = 0; i < repeats; ++i) {
        if (!expression.Compile("Item", text.c_str())) {
          std::printf("%s: %s\n", shape.name, ExpressionErrorState.GetErrorMessage());
          return 1;
        }
      }
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
          repeats;
      std::printf("%-28s %8.1f %10.3f %12.1f\n", shape.name, text.size() / 1024.0, ms,
                  1000.0 * ms / (text.size() / 1024.0));
    }
  }
  return 0;
}
