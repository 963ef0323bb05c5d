// Small data models built in memory for tests and laid out as the reader would.
#include "support/test_model.h"

#include "data/core/strings.h"
#include "data/model/model.h"

namespace {

void Set(char** field, const std::string& text) { ReplaceString(field, text.c_str()); }

}  // namespace

void BuildModel(TDataModel& model, const std::vector<TEntitySpec>& entities) {
  model.Clear();
  model.EntityCount = model.EntityCapacity = int(entities.size());
  model.Entities = new TEntity[entities.size()];
  for (size_t e = 0; e < entities.size(); ++e) {
    const TEntitySpec& spec = entities[e];
    TEntity& entity = model.Entities[e];
    Set(&entity.Name, spec.name);
    Set(&entity.Caption, spec.name);
    entity.AttributeCount = entity.AttributeCapacity = int(spec.attributes.size());
    entity.Attributes = new TAttribute[spec.attributes.size()];
    for (size_t a = 0; a < spec.attributes.size(); ++a) {
      const TAttrSpec& as = spec.attributes[a];
      TAttribute& attribute = entity.Attributes[a];
      Set(&attribute.Name, as.name);
      Set(&attribute.Caption, as.name);
      Set(&attribute.SqlTypeText, as.type);
      Set(&attribute.ValidationText, as.validation);
      Set(&attribute.DefaultText, as.defaultText);
      Set(&attribute.DefaultAtStoreText, as.defaultAtStore);
      Set(&attribute.ForeignRelName, as.foreignRel);
      Set(&attribute.PrimAttrName, as.primAttr);
      attribute.Calculated = as.calculated;
      attribute.NonStored = as.nonStored;
    }
    entity.RelationshipCount = entity.RelationshipCapacity = int(spec.relationships.size());
    entity.Relationships = new TRelationship[spec.relationships.size()];
    for (size_t r = 0; r < spec.relationships.size(); ++r) {
      const TRelSpec& rs = spec.relationships[r];
      TRelationship& rel = entity.Relationships[r];
      Set(&rel.Name, rs.name);
      Set(&rel.WithEntName, rs.withEnt);
      Set(&rel.RevName, rs.revName);
      Set(&rel.PrimaryEntName, rs.primaryEnt);
      Set(&rel.ForeignEntName, rs.foreignEnt);
      Set(&rel.WhereText, rs.where);
      rel.ToMany = rs.toMany;
      rel.KindAndPage = 1;
    }
  }
}

std::vector<TEntitySpec> ShopModel() {
  TEntitySpec customer{"Customer", {{"id", "INTEGER"}, {"name"}, {"balance", "DECIMAL(10,2)"}}, {}};
  customer.relationships.push_back({"orders", "Order", "customer", "Customer", "Order", 1, ""});
  TEntitySpec order{"Order",
                    {{"id", "INTEGER"}, {"customer_id", "INTEGER"}, {"amount", "DECIMAL(10,2)"}, {"note"}},
                    {}};
  order.attributes[1].foreignRel = "customer";
  order.attributes[1].primAttr = "id";
  order.relationships.push_back({"customer", "Customer", "orders", "Customer", "Order", 0, ""});
  order.relationships.push_back({"lines", "Line", "order", "Order", "Line", 1, ""});
  TEntitySpec line{"Line", {{"order_id", "INTEGER"}, {"qty", "INTEGER"}, {"price", "DECIMAL(10,2)"}}, {}};
  line.attributes[0].foreignRel = "order";
  line.attributes[0].primAttr = "id";
  line.relationships.push_back({"order", "Order", "lines", "Order", "Line", 0, ""});
  return {customer, order, line};
}
