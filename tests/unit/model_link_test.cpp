// Linking compiles the model's expressions and registers their dependencies; a faulty
// expression stops the program with a message naming the attribute or relationship.
#include "data/core/strings.h"
#include "data/model/model.h"
#include "expr/expr.h"
#include "support/dialog_watcher.h"
#include "support/expr_tree.h"
#include "support/test_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ModelLink : public ::testing::Test {
protected:
  void TearDown() override {
    TheModel.Clear();
    EXPECT_EQ(TempStringsInUse(), 0);
  }
};

std::string Tree(const TExpression* expression) {
  return expression ? FormatExprTree(expression->GetRoot()) : "<none>";
}

}  // namespace

TEST_F(ModelLink, CompilesEveryExpressionOfTheModel) {
  std::vector<TEntitySpec> model = ShopModel();
  model[1].attributes[2].validation = "amount >= 0";
  model[1].attributes[3].defaultText = "customer:name";
  model[1].attributes[3].defaultAtStore = "UCASE(note)";
  model[0].relationships[0].where = "'amount > ' || balance";
  BuildModel(TheModel, model);
  TheModel.LinkAndValidate();
  TEntity* customer = TheModel.FindEntity("Customer");
  TEntity* order = TheModel.FindEntity("Order");
  TAttribute* note = order->FindAttribute("note");
  EXPECT_EQ(Tree(order->FindAttribute("amount")->Validation), "(>= amount 0)");
  EXPECT_EQ(order->FindAttribute("amount")->Default, nullptr);
  EXPECT_EQ(Tree(note->Default), "(: customer name)");
  EXPECT_EQ(Tree(note->DefaultAtStore), "UCASE(note)");
  EXPECT_EQ(note->Validation, nullptr);
  // The where clause is an expression of the record it picks related rows for: the
  // relationship's own entity.
  TRelationship* orders = customer->FindRelationship("orders");
  EXPECT_EQ(Tree(orders->Where), "(|| 'amount > ' balance)");
  EXPECT_EQ(orders->Where->GetEntity(), customer);
  // Dependencies of defaults only: the foreign key behind customer:name is referenced.
  EXPECT_TRUE(order->FindAttribute("customer_id")->Referenced);
  EXPECT_FALSE(order->FindAttribute("amount")->Referenced);
}

TEST_F(ModelLink, DefaultsRegisterByKindOfAttribute) {
  struct Case { int calculated, nonStored; bool relationship, entity; };
  const Case cases[] = {{1, 0, true, false}, {0, 0, false, true}, {1, 1, false, true}};
  for (const Case& c : cases) {
    std::vector<TEntitySpec> model = ShopModel();
    TAttrSpec total("total", "DECIMAL(10,2)");
    total.defaultText = "SUM(orders:amount)";
    total.calculated = c.calculated;
    total.nonStored = c.nonStored;
    model[0].attributes.push_back(total);
    BuildModel(TheModel, model);
    TheModel.LinkAndValidate();
    TEntity* order = TheModel.FindEntity("Order");
    EXPECT_EQ(order->HasDependentRelationship(order->FindRelationship("customer")) != 0, c.relationship)
        << c.calculated << c.nonStored;
    EXPECT_EQ(order->HasDependentEntity(TheModel.FindEntity("Customer")) != 0, c.entity)
        << c.calculated << c.nonStored;
    EXPECT_EQ(TheModel.FindEntity("Customer")->FindAttribute("total")->RealAttrIndex, -1);
    TheModel.Clear();
  }
}

TEST_F(ModelLink, LinkingAgainReplacesTheExpressions) {
  std::vector<TEntitySpec> model = ShopModel();
  model[1].attributes[2].validation = "amount >= 0";
  BuildModel(TheModel, model);
  TheModel.LinkAndValidate();
  TheModel.LinkAndValidate();
  EXPECT_EQ(Tree(TheModel.FindEntity("Order")->FindAttribute("amount")->Validation), "(>= amount 0)");
}

TEST(ModelLinkFaults, CleanModelLinks) {
  TChild child;
  ASSERT_TRUE(StartChild(child, "\"" + TestProgramPath("link_probe") + "\" clean"));
  EXPECT_EQ(child.Wait(30000), 0);
}

// One damaged copy per kind of expression: each stops with its own message box.
TEST(ModelLinkFaults, FaultyExpressionsStopWithTheirMessage) {
  struct Case { const char* fault; const char* text; };
  const Case cases[] = {
      {"where", "Invalid Validation for where clause of relationship Order:lines Unfinished expression: "},
      {"validation",
       "Invalid Validation for attribute amount of entity Order: "
       "Extra symbols encountered starting with: : )"},
      {"default", "Invalid Default Value for attribute name of entity Customer: Unfinished expression: "},
      {"store",
       "Invalid Default at Store for attribute note of entity Order: "
       "Incorrect number of parameters for function: : NOW"},
      {"name", "Invalid Default Value for attribute qty of entity Line: Undefined attribute: : nme"},
  };
  for (const Case& c : cases) {
    TFatalOutcome outcome =
        RunExpectingFatalBox("\"" + TestProgramPath("link_probe") + "\" " + c.fault);
    ASSERT_TRUE(outcome.box.found) << c.fault;
    EXPECT_EQ(outcome.box.title, "ERROR");
    EXPECT_EQ(outcome.box.text, c.text);
    EXPECT_EQ(outcome.exitCode, 1) << c.fault;
  }
}
