// Name resolution against the model, and the dependencies that compiled expressions record.
#include "data/core/strings.h"
#include "data/model/model.h"
#include "expr/expr.h"
#include "support/expr_tree.h"
#include "support/test_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ExprResolve : public ::testing::Test {
protected:
  void SetUp() override {
    std::vector<TEntitySpec> model = ShopModel();
    model[1].attributes.push_back({"qty"});  // Order.qty, beside Line.qty
    BuildModel(TheModel, model);
    TheModel.LinkAndValidate();
    customer = TheModel.FindEntity("Customer");
    order = TheModel.FindEntity("Order");
    line = TheModel.FindEntity("Line");
  }
  void TearDown() override {
    TheModel.Clear();
    EXPECT_EQ(TempStringsInUse(), 0);
  }
  TEntity* customer = nullptr;
  TEntity* order = nullptr;
  TEntity* line = nullptr;
};

}  // namespace

TEST_F(ExprResolve, NamesBecomeReferences) {
  struct Case { const char* entity; const char* text; const char* result; };
  const Case cases[] = {
      {"Order", "AMOUNT * 2", "(* amount 2)"},
      {"Order", "customer:name", "(: customer name)"},
      {"Line", "order:customer:NAME", "(: order (: customer name))"},
      {"Customer", "SUM(orders:amount)", "SUM((: orders amount))"},
      {"Order", "count(lines:qty) + qty", "(+ COUNT((: lines qty)) qty)"},
      {"Order", "GETPARTIALSUM(lines:price, qty > 0)", "GETPARTIALSUM((: lines price), (> qty 0))"},
      {"Order", "CONVERT(amount, SQL_INTEGER)", "CONVERT(amount, ?SQL_INTEGER)"},
      {"Order", "CONVERT(amount, nothing + 1)", "CONVERT(amount, (+ ?nothing 1))"},
      {"Order", "note IN (id, qty) AND NOT note IS NULL", "(AND (IN note id qty) (NOT (IS NULL note)))"},
      {"Order", "price", "E208 Undefined attribute: : price"},
      {"Order", "SUM(customer:name)", "E210 Relationship is not to-many: : customer"},
      {"Order", "lines:qty", "E211 Relationship is not to-one: : lines"},
      {"Order", "nowhere:qty", "E211 Relationship is not to-one: : nowhere"},
      {"Order", "SUM(amount)", "E212 Incorrect relationship expression: "},
      {"Order", "SUM(lines:(qty))", "SUM((: lines qty))"},
      {"Order", "SUM(lines:order:id)", "E212 Incorrect relationship expression: "},
      {"Order", "customer:1", "E212 Incorrect relationship expression: "},
      {"Order", "(customer:name):id", "E212 Incorrect relationship expression: "},
      {"Order", "SUM(nowhere:qty)", "E209 Undefined relationship: : nowhere"},
      {"Order", "SUM(lines:amount)", "E208 Undefined attribute: : amount"},
      {"Order", "GETPARTIALCOUNT(lines:qty, nothing)", "E208 Undefined attribute: : nothing"},
      {"Order", "AVG(lines:qty, 1)", "E207 Incorrect number of parameters for function: : AVG"},
      {"Order", "customer:zz", "E208 Undefined attribute: : zz"},
      {"Order", "abs(1, ) + zz", "E201 Misplaced symbol encountered: : )"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CompileToText(c.entity, c.text), c.result) << c.entity << ": " << c.text;
}

TEST_F(ExprResolve, ReferencesPointIntoTheRightEntity) {
  TExpression e;
  ASSERT_TRUE(e.Compile("order", "GETPARTIALSUM(lines:qty, qty > 0)"));
  const TExprNode* call = e.GetRoot();
  const TExprNode* nav = call->Second.Operand;
  EXPECT_EQ(nav->First.Operand->Class, NodeRelationship);
  EXPECT_EQ(nav->First.Operand->First.Index, 1);
  EXPECT_EQ(nav->First.Operand->Second.Relationship, order->FindRelationship("lines"));
  EXPECT_EQ(nav->Second.Operand->Class, NodeAttribute);
  EXPECT_EQ(nav->Second.Operand->Second.Attribute, line->FindAttribute("qty"));
  EXPECT_EQ(nav->Second.Operand->First.Index, 1);
  const TExprNode* own = nav->Next->First.Operand;
  EXPECT_EQ(own->Class, NodeAttribute);
  EXPECT_EQ(own->Second.Attribute, order->FindAttribute("qty"));
  EXPECT_EQ(own->First.Index, 4);
}

TEST_F(ExprResolve, CalculatedSumRegistersTheReverseRelationship) {
  TExpression calculated, plain;
  ASSERT_TRUE(calculated.Compile("Customer", "SUM(orders:amount)"));
  calculated.RegisterDependencies(1);
  TRelationship* back = order->FindRelationship("customer");
  EXPECT_TRUE(order->HasDependentRelationship(back));
  EXPECT_EQ(order->DependentEntCount, 0);

  ASSERT_TRUE(plain.Compile("Customer", "SUM(orders:amount)"));
  plain.RegisterDependencies(0);
  EXPECT_TRUE(order->HasDependentEntity(customer));
  EXPECT_EQ(order->DependentRelCount, 1);
  plain.RegisterDependencies(0);  // no duplicates
  EXPECT_EQ(order->DependentEntCount, 1);
  // The relationship's attribute is not marked: the function's arguments are not visited.
  EXPECT_FALSE(line->FindAttribute("qty")->Referenced);
}

TEST_F(ExprResolve, NavigationMarksAttributesAndRegistersEntities) {
  TExpression e;
  ASSERT_TRUE(e.Compile("Order", "customer:name || note"));
  e.RegisterDependencies(1);
  // Order.customer's reverse is Customer.orders: primary entity Customer, not Order, so
  // nothing is registered; the foreign key attribute and the plain attribute are marked.
  EXPECT_TRUE(order->FindAttribute("customer_id")->Referenced);
  EXPECT_TRUE(order->FindAttribute("note")->Referenced);
  EXPECT_FALSE(customer->FindAttribute("name")->Referenced);
  EXPECT_EQ(customer->DependentRelCount + customer->DependentEntCount, 0);
}

// A reads B through a to-one relationship whose reverse has A as its primary entity:
// B learns that A depends on it (and, for a calculated value, through which relationship).
TEST(ExprDependencies, NavigationRegistersWhenTheReverseStartsHere) {
  for (int calculated : {0, 1}) {
    BuildModel(TheModel, {
        {"A", {{"x"}}, {{"b", "B", "a", "A", "B", 0, ""}}},
        {"B", {{"y"}}, {{"a", "A", "b", "A", "B", 0, ""}}},
    });
    TheModel.LinkAndValidate();
    TEntity* a = TheModel.FindEntity("A");
    TEntity* b = TheModel.FindEntity("B");
    TExpression e;
    ASSERT_TRUE(e.Compile("A", "b:y + 1"));
    e.RegisterDependencies(calculated);
    EXPECT_TRUE(b->HasDependentEntity(a)) << calculated;
    EXPECT_EQ(b->HasDependentRelationship(b->FindRelationship("a")), calculated);
    EXPECT_EQ(a->DependentEntCount + a->DependentRelCount, 0);
    TheModel.Clear();
  }
}

TEST_F(ExprResolve, RegisterWithoutTreeDoesNothing) {
  TExpression e;
  e.RegisterDependencies(1);
  EXPECT_FALSE(e.Compile("Order", "zz"));
  e.RegisterDependencies(1);
  EXPECT_EQ(order->DependentRelCount + order->DependentEntCount, 0);
}
