// Small data models built in memory for tests: entities, attributes and relationships
// described by name, then laid out in a TDataModel as the model-file reader would.
#pragma once

#include <string>
#include <vector>

struct TDataModel;

struct TAttrSpec {
  TAttrSpec(const char* name_, const char* type_ = "VARCHAR(40)") : name(name_), type(type_) {}
  std::string name;
  std::string type;
  std::string validation;
  std::string defaultText;
  std::string defaultAtStore;
  int calculated = 0;
  int nonStored = 0;
  std::string foreignRel;
  std::string primAttr;
};

struct TRelSpec {
  std::string name;
  std::string withEnt;
  std::string revName;
  std::string primaryEnt;
  std::string foreignEnt;
  int toMany = 0;
  std::string where;
};

struct TEntitySpec {
  std::string name;
  std::vector<TAttrSpec> attributes;
  std::vector<TRelSpec> relationships;
};

// Clears the model and fills it with the entities (not linked).
void BuildModel(TDataModel& model, const std::vector<TEntitySpec>& entities);

// Customer 1-n Order 1-n Line, with a few attributes each:
//   Customer(id, name, balance), Order(id, customer_id, amount, note), Line(order_id, qty, price)
//   Customer.orders (to-many) <-> Order.customer; Order.lines (to-many) <-> Line.order
std::vector<TEntitySpec> ShopModel();
