// Links the test shop model with one expression damaged as its argument names:
//   link_probe clean|where|validation|default|store|name
// A clean model exits with 0; a damaged one must stop in the linking pass.
#include "data/model/model.h"
#include "support/test_model.h"

#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::vector<TEntitySpec> model = ShopModel();
  TEntitySpec& customer = model[0];
  TEntitySpec& order = model[1];
  TEntitySpec& line = model[2];
  order.attributes[2].validation = "amount >= 0";
  customer.attributes[2].defaultText = "SUM(orders:amount)";
  customer.attributes[2].calculated = 1;
  const std::string fault = argv[1];
  if (fault == "where")
    order.relationships[1].where = "amount >";
  else if (fault == "validation")
    order.attributes[2].validation = "amount > 0 )";
  else if (fault == "default")
    customer.attributes[1].defaultText = "'x' ||";
  else if (fault == "store")
    order.attributes[3].defaultAtStore = "now(1)";
  else if (fault == "name")
    line.attributes[1].defaultText = "order:customer:nme";
  else if (fault != "clean")
    return 2;
  BuildModel(TheModel, model);
  TheModel.LinkAndValidate();
  return 0;
}
