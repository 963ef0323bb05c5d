// The functions that read other rows: relationship:attribute, the aggregates over child
// rows, the first child row, values and counts of the record's own table, and QUERY.
#include "data/db/dialect.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "expr/dbcall.h"
#include "expr/evalsupport.h"
#include "expr/expression.h"
#include "expr/symbols.h"
#include "expr/value.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

enum TAggregate { AggregateAvg, AggregateCount, AggregateMax, AggregateMin, AggregateSum };

TAggregate AggregateOf(int kind) {
  switch (kind) {
    case KindAvg: return AggregateAvg;
    case KindCount: case KindGetPartialCount: return AggregateCount;
    case KindMax: return AggregateMax;
    case KindMin: return AggregateMin;
    default: return AggregateSum;
  }
}

std::string AggregateText(TAggregate aggregate, const char* column) {
  static const char* const names[] = {"AVG(", "", "MAX(", "MIN(", "SUM("};
  if (aggregate == AggregateCount) return "COUNT(*)";
  return std::string(names[aggregate]) + column + ")";
}

// The aggregate's result from the first column's text (not empty).
void SetAggregateValue(TAggregate aggregate, TColumnValue kind, const std::string& text, TValue& value) {
  if (aggregate == AggregateCount)
    value.SetLong(std::strtol(text.c_str(), nullptr, 10));
  else if (kind != ColumnText)
    SetColumnValue(kind, text, value);
  else if (aggregate == AggregateMax || aggregate == AggregateMin)
    value.SetString(text.c_str());
  else
    value.SetLong(0);
}

int FailSql(const std::string& detail) { return FailWith(ExprSqlProblem, detail.c_str()); }

// An attribute not stored in its table is computed row by row: every child row is read
// into a record and the attribute's value taken there; empty values count as NULL does
// in SQL.
int ComputeAggregate(TDbCall& call, const TEntity* child, const TAttribute* attribute, int position,
                     TAggregate aggregate, TValue& value) {
  const TColumnValue kind = ColumnValueOf(attribute);
  long count = 0;
  double total = 0.0;
  std::string best;
  bool any = false;
  while (call.Fetch()) {
    std::unique_ptr<TDBRecord> row(NewDBRecord(child->Name));
    FillRecord(*row, child, call);
    const char* computed = row->GetCalculatedValue(TAttrRef(position));
    std::string text = computed ? computed : "";
    if (text.empty()) continue;
    ++count;
    if (aggregate == AggregateMax || aggregate == AggregateMin) {
      bool better;
      if (!any) {
        better = true;
      } else if (kind == ColumnText) {
        int order = std::strcmp(text.c_str(), best.c_str());
        better = aggregate == AggregateMax ? order > 0 : order < 0;
      } else {
        double a = std::strtod(text.c_str(), nullptr), b = std::strtod(best.c_str(), nullptr);
        better = aggregate == AggregateMax ? a > b : a < b;
      }
      if (better) best = text;
    } else {
      total += std::strtod(text.c_str(), nullptr);
    }
    any = true;
  }
  if (!any) return 1;  // no value: the starting value stands
  TValue number;
  switch (aggregate) {
    case AggregateMax:
    case AggregateMin: SetAggregateValue(aggregate, kind, best, value); break;
    case AggregateSum:
    case AggregateAvg:
      number.SetDouble(aggregate == AggregateSum ? total : total / double(count));
      if (kind == ColumnLong)
        value.SetLong(number.AsLong());
      else if (kind == ColumnDouble)
        value = number;
      else
        value.SetLong(0);
      break;
    default: break;
  }
  return 1;
}

// The text that names an attribute: a resolved attribute gives its name, anything else
// its value as text.
int AttributeNameOf(TExpression& expression, TDBRecord* record, const TExprNode* argument,
                    std::string& name) {
  if (argument && argument->Class == NodeAttribute) {
    name = argument->Second.Attribute->Name;
    return 1;
  }
  TValue value;
  if (!expression.EvaluateNode(record, argument, value)) return 0;
  name = value.AsString();
  return 1;
}

// The optional text arguments (where, order) from index first on; a missing one is empty,
// a failing one fails the call.
int OptionalArgumentTexts(TExpression& expression, TDBRecord* record, const TExprNode* call, int first,
                          std::string* texts, int count) {
  for (int i = 0; i < count; ++i) {
    const TExprNode* argument = Argument(call, first + i);
    texts[i].clear();
    if (!argument) continue;
    TValue value;
    if (!expression.EvaluateNode(record, argument, value)) return 0;
    texts[i] = value.AsString();
  }
  return 1;
}

// The column of the attribute among the entity's stored columns, or -1.
int StoredColumnIndex(const TEntity* entity, int position) {
  if (!IsStoredAttribute(entity->Attributes[position])) return -1;
  int column = 0;
  for (int i = 0; i < position; ++i)
    if (IsStoredAttribute(entity->Attributes[i])) ++column;
  return column;
}

// The attribute's value in the current row, computed in a record when it has no column.
std::string RowValue(TDbCall& call, const TEntity* entity, int position) {
  int column = StoredColumnIndex(entity, position);
  if (column >= 0) return call.Column(column);
  std::unique_ptr<TDBRecord> row(NewDBRecord(entity->Name));
  FillRecord(*row, entity, call);
  const char* value = row->GetCalculatedValue(TAttrRef(position));
  return value ? value : "";
}

// The first argument relationship:attribute of a child-row function, with the link of
// the record to the child rows and the record's key values.
struct TChildRead {
  const TRelationship* relationship = nullptr;
  const TAttribute* attribute = nullptr;
  int position = -1;
  const TEntity* child = nullptr;
  TColumnValue kind = ColumnText;
  std::vector<TLinkColumn> link;
  std::vector<std::string> keys;

  // False when the call's first argument is no resolved relationship:attribute.
  bool Read(const TExprNode* call, TDBRecord* record, const TEntity* own) {
    const TExprNode* navigation = Argument(call, 0);
    if (!navigation || navigation->Class != NodeBinary || navigation->First.Operand->Class != NodeRelationship ||
        navigation->Second.Operand->Class != NodeAttribute)
      return false;
    relationship = navigation->First.Operand->Second.Relationship;
    attribute = navigation->Second.Operand->Second.Attribute;
    position = navigation->Second.Operand->First.Index;
    child = relationship->WithEntity;
    kind = ColumnValueOf(attribute);
    link = LinkColumns(record ? record->GetEntity() : own, relationship);
    keys = LinkValues(record, link);
    return true;
  }
  // A new record has no key yet: there are no child rows to read.
  bool NoKey() const { return AllEmpty(keys); }
};

}  // namespace

int TExpression::EvalRelationshipField(TDBRecord* record, const TExprNode* node, TValue& result) {
  const TExprNode* left = node->First.Operand;
  const TExprNode* right = node->Second.Operand;
  if (!left || left->Class != NodeRelationship || !right) return 0;
  const TRelationship* relationship = left->Second.Relationship;
  const TEntity* other = relationship->WithEntity;
  const TEntity* own = record ? record->GetEntity() : entity_;
  const std::vector<TLinkColumn> link = LinkColumns(own, relationship);
  const std::vector<std::string> keys = LinkValues(record, link);
  if (AllEmpty(keys)) {
    result.SetString("");
    return 1;
  }

  TDbCall call;
  const char* lockColumn = right->Class == NodeAttribute ? right->Second.Attribute->Name : link[0].column->Name;
  const std::string sql = "SELECT " + StoredColumns(other) + " FROM " + other->Name + " WHERE " +
                          LinkConditions(link) + RowLock(record, call, lockColumn, false);
  if (!RunWithKeys(call, sql, link, keys)) return FailSql("");
  if (!call.Fetch()) {
    result.SetString("");
    return 1;
  }
  std::unique_ptr<TDBRecord> related(NewDBRecord(other->Name));
  related->SetForUpdate(record->GetForUpdate());
  FillRecord(*related, other, call);
  call.CloseCursor();

  if (right->Class == NodeAttribute) {
    const char* value = related->GetCalculatedValue(TAttrRef(right->First.Index));
    result.SetString(value ? value : "");
    return 1;
  }
  // A chain r:s:x goes on from the related record.
  TValue value;
  if (!EvaluateNode(related.get(), right, value)) return 0;
  result = value;
  return 1;
}

int TExpression::EvalAggregate(TDBRecord* record, const TExprNode* node, TValue& result,
                               const char* extraCondition) {
  TChildRead read;
  if (!read.Read(node, record, entity_)) return 0;
  const TAggregate aggregate = AggregateOf(node->Kind);
  TValue value;
  SetStartValue(read.kind, value);
  if (read.NoKey()) {
    result = value;
    return 1;
  }

  TDbCall call;
  const char* column = read.attribute->Name;
  std::string where = " WHERE " + LinkConditions(read.link);
  if (extraCondition && *extraCondition) where += std::string(" AND ") + extraCondition;
  const bool computed = !IsStoredAttribute(*read.attribute) && aggregate != AggregateCount;
  std::string sql;
  if (computed)
    sql = "SELECT " + StoredColumns(read.child) + " FROM " + read.child->Name + where;
  else
    sql = "SELECT " + AggregateText(aggregate, column) + " FROM " + read.child->Name + where +
          RowLock(record, call, column, true);
  if (!RunWithKeys(call, sql, read.link, read.keys)) return FailSql(call.Diagnostic());

  if (computed) {
    ComputeAggregate(call, read.child, read.attribute, read.position, aggregate, value);
  } else if (call.Fetch()) {
    const std::string text = call.Column(0);
    if (!text.empty()) SetAggregateValue(aggregate, read.kind, text, value);
  }
  call.CloseCursor();
  result = value;
  return 1;
}

int TExpression::EvalGetPartial(TDBRecord* record, const TExprNode* node, TValue& result) {
  std::string condition;
  TValue value;
  const TExprNode* argument = Argument(node, 1);
  if (argument && EvaluateNode(record, argument, value)) condition = value.AsString();
  return EvalAggregate(record, node, result, condition.c_str());
}

int TExpression::EvalGetChildField(TDBRecord* record, const TExprNode* node, TValue& result) {
  TChildRead read;
  if (!read.Read(node, record, entity_)) return 0;
  std::string texts[2];  // where, order
  if (!OptionalArgumentTexts(*this, record, node, 1, texts, 2)) return 0;
  TValue value;
  SetStartValue(read.kind, value);
  if (read.NoKey()) {
    result = value;
    return 1;
  }

  TDbCall call;
  std::string sql = call.Dialect().FirstRowSelect() + StoredColumns(read.child) + " FROM " +
                    read.child->Name + " WHERE " + LinkConditions(read.link);
  if (!texts[0].empty()) sql += " AND " + texts[0];
  if (!texts[1].empty()) sql += " ORDER BY " + texts[1];
  sql += call.Dialect().FirstRowLimit() + RowLock(record, call, read.attribute->Name, false);
  if (!RunWithKeys(call, sql, read.link, read.keys)) return FailSql(call.Diagnostic());
  if (call.Fetch()) SetColumnValue(read.kind, RowValue(call, read.child, read.position), value);
  call.CloseCursor();
  result = value;
  return 1;
}

int TExpression::EvalGetCurrentField(TDBRecord* record, const TExprNode* node, TValue& result) {
  std::string name;
  if (!AttributeNameOf(*this, record, Argument(node, 0), name)) return 0;
  std::string texts[2];  // where, order
  if (!OptionalArgumentTexts(*this, record, node, 1, texts, 2)) return 0;
  const TEntity* own = record ? record->GetEntity() : entity_;
  const TAttribute* attribute = own ? own->FindAttribute(name.c_str()) : nullptr;
  if (!attribute) {
    result.SetString("");
    return 1;
  }
  const TColumnValue kind = ColumnValueOf(attribute);
  TValue value;
  SetStartValue(kind, value);

  TDbCall call;
  std::string sql = call.Dialect().FirstRowSelect() + StoredColumns(own) + " FROM " + own->Name;
  if (!texts[0].empty()) sql += " WHERE " + texts[0];
  if (!texts[1].empty()) sql += " ORDER BY " + texts[1];
  sql += call.Dialect().FirstRowLimit() + RowLock(record, call, attribute->Name, false);
  if (!call.Run(sql)) return FailSql(call.Diagnostic());
  if (call.Fetch()) SetColumnValue(kind, RowValue(call, own, own->AttributeIndex(attribute)), value);
  call.CloseCursor();
  result = value;
  return 1;
}

int TExpression::EvalGetCurrentCount(TDBRecord* record, const TExprNode* node, TValue& result) {
  TValue where;
  if (!EvaluateNode(record, Argument(node, 0), where)) return 0;
  const TEntity* own = record ? record->GetEntity() : entity_;
  if (!own) return 0;
  TDbCall call;
  std::string sql = std::string("SELECT COUNT(*) FROM ") + own->Name;
  if (where.AsString()[0]) sql += std::string(" WHERE ") + where.AsString();
  if (!call.Run(sql)) return FailSql(call.Diagnostic());
  long count = call.Fetch() ? std::strtol(call.Column(0).c_str(), nullptr, 10) : 0;
  call.CloseCursor();
  result.SetLong(count);
  return 1;
}

int TExpression::EvalGetCurrentSum(TDBRecord* record, const TExprNode* node, TValue& result) {
  std::string name;
  if (!AttributeNameOf(*this, record, Argument(node, 0), name)) return 0;
  std::string where;
  if (!OptionalArgumentTexts(*this, record, node, 1, &where, 1)) return 0;
  const TEntity* own = record ? record->GetEntity() : entity_;
  const TAttribute* attribute = own ? own->FindAttribute(name.c_str()) : nullptr;
  if (!attribute) {
    result.SetString("");
    return 1;
  }
  const TColumnValue kind = ColumnValueOf(attribute);
  if (kind == ColumnText) return FailWith(ExprInvalidDataType, "You can only SUM Numeric Types");
  TValue value;
  SetStartValue(kind, value);

  TDbCall call;
  std::string sql = call.Dialect().FirstRowSelect() + std::string("SUM(") + attribute->Name + ") FROM " + own->Name;
  if (!where.empty()) sql += " WHERE " + where;
  sql += call.Dialect().FirstRowLimit() + RowLock(record, call, attribute->Name, true);
  if (!call.Run(sql)) return FailSql(call.Diagnostic());
  if (call.Fetch()) {
    const std::string text = call.Column(0);
    if (!text.empty()) SetColumnValue(kind, text, value);
  }
  call.CloseCursor();
  result = value;
  return 1;
}

int TExpression::EvalQuery(TDBRecord* record, const TExprNode* node, TValue& result) {
  TValue sql;
  if (!EvaluateNode(record, Argument(node, 0), sql)) return 0;
  std::string text;
  TDbCall call;
  if (call.Run(sql.AsString()) && call.Fetch()) {
    text = call.Column(0);
    call.CloseCursor();
  }
  result.SetString(text.c_str());
  return 1;
}
