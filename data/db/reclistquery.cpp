// The queries of a record list: records related to a record, query by example and
// a caller's clause or filter. Values from records reach the server only as bound
// parameters.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/messages.h"
#include "data/core/strings.h"
#include "data/core/waitcursor.h"
#include "data/db/dialect.h"
#include "data/db/odbcstatement.h"
#include "data/db/reclist.h"
#include "data/db/recordsql.h"
#include "data/db/sqltypes.h"
#include "data/model/model.h"
#include "expr/errors.h"
#include "expr/expression.h"

namespace {

std::string StoredColumns(const TEntity* entity) { return JoinColumns(*entity, IsStoredAttribute, ","); }

std::string SelectText(const TEntity* entity) {
  return "SELECT " + StoredColumns(entity) + " FROM " + entity->Name;
}

// An evaluated where text without a "WHERE" keyword of its own in front.
const char* WithoutWhereKeyword(const char* text) {
  if (_strnicmp(text, "WHERE", 5) != 0) return text;
  if (text[5] == '\0') return text + 5;
  // A longer word such as a column WHEREABOUTS is part of the condition.
  return std::isspace(static_cast<unsigned char>(text[5])) ? text + 6 : text;
}

// Compiles the text against the entity and evaluates it for record as VARCHAR into
// buffer (TEMP_STRING_SIZE bytes): 1, or 0 with the reason in ExpressionErrorState.
int EvaluateCondition(const char* entityName, const char* text, TDBRecord* record, char* buffer) {
  buffer[0] = '\0';
  TExpression expression;
  if (!expression.Compile(entityName, text)) return 0;
  return expression.EvaluateToString(record, buffer, SQL_VARCHAR, TEMP_STRING_SIZE, 0);
}

bool IsTextType(int sqlType) { return sqlType == SQL_CHAR || sqlType == SQL_VARCHAR; }

bool IsDateOrTime(int sqlType) {
  return sqlType == SQL_DATE || sqlType == SQL_TIME || sqlType == SQL_TIMESTAMP ||
         sqlType == SQL_TYPE_DATE || sqlType == SQL_TYPE_TIME || sqlType == SQL_TYPE_TIMESTAMP;
}

bool IsFirstItem(const TCodeList* codeList, const char* value) {
  if (codeList->ItemCount < 1) return false;
  const TCodeListItem& first = codeList->Items[0];
  return std::strcmp(value, first.Key) == 0 || std::strcmp(value, first.Caption) == 0;
}

// One condition of a query by example: the attribute and the value it is matched
// against, as a LIKE pattern or for equality.
struct TCriterion {
  int position;
  bool like;
  std::string value;
};

std::vector<TCriterion> FindCriteria(const TEntity* entity, TDBRecord* example) {
  std::vector<TCriterion> criteria;
  for (int i = 0; i < entity->AttributeCount; ++i) {
    const TAttribute& attribute = entity->Attributes[i];
    if (!IsStoredAttribute(attribute) || attribute.Calculated || attribute.Hidden) continue;
    std::string value = example->GetValue(i);
    bool codeOrBit = attribute.CodeList || attribute.SqlType == SQL_BIT;
    if (codeOrBit && !IsDateOrTime(attribute.SqlType) && attribute.EffectiveMandatory) {
      // A mandatory choice always holds something: its first item (or 0) is no criterion.
      if (IsTextType(attribute.SqlType) && attribute.CodeList && !value.empty() &&
          !IsFirstItem(attribute.CodeList, value.c_str()))
        criteria.push_back({i, false, value});
      else if (!value.empty() && std::strtol(value.c_str(), nullptr, 10) != 0)
        criteria.push_back({i, false, value});
    } else if (!value.empty()) {
      criteria.push_back({i, IsTextType(attribute.SqlType), value});
    }
  }
  return criteria;
}

}  // namespace

void TDBRecList::SelectRelated(const char* relationshipName, TDBRecord* record) {
  TWaitCursor wait;
  SetStatus(RecListOk);
  TEntity* owner = record->GetEntity();
  TRelationship* relationship = owner->FindRelationship(relationshipName);
  if (!relationship) {
    SetError(RecListUnknownRelationship, relationshipName);
    return;
  }

  // The list's columns that link it to the record, with the record's values.
  struct TLink {
    const TAttribute* column;
    std::string value;
  };
  std::vector<TLink> links;
  bool self = relationship->PrimaryEntity == relationship->ForeignEntity;
  bool pointAtRecord = self ? relationship->ToMany != 0 : relationship->ForeignEntity == entity_;
  if (pointAtRecord) {
    for (int i = 0; i < entity_->AttributeCount; ++i) {
      const TAttribute& attribute = entity_->Attributes[i];
      if (attribute.ForeignRel != relationship->Reverse || !attribute.PrimAttr) continue;
      links.push_back({&attribute, record->GetValue(attribute.PrimAttr->Name)});
    }
  } else {
    const TEntity* foreign = relationship->ForeignEntity;
    for (int i = 0; i < foreign->AttributeCount; ++i) {
      const TAttribute& attribute = foreign->Attributes[i];
      if (attribute.ForeignRel != relationship || !attribute.PrimAttr) continue;
      const TAttribute* column = entity_->FindAttribute(attribute.PrimAttr->Name);
      if (column) links.push_back({column, record->GetValue(i)});
    }
  }
  bool anyValue = false;
  for (const TLink& link : links) anyValue = anyValue || !link.value.empty();
  if (!anyValue) return;

  std::string sql = SelectText(entity_) + " WHERE ";
  for (size_t i = 0; i < links.size(); ++i) {
    if (i) sql += " AND ";
    sql += links[i].column->Name;
    sql += "=?";
  }
  if (relationship->WhereText[0]) {
    TTempString where;
    if (!EvaluateCondition(owner->Name, relationship->WhereText, record, where)) {
      SetError(RecListSqlError, ExpressionErrorState.GetErrorMessage());
      return;
    }
    const char* condition = WithoutWhereKeyword(where);
    if (*condition) {
      sql += " AND ";
      sql += condition;
    }
  }
  if (relationship->OrderBy[0]) {
    sql += " ORDER BY ";
    sql += relationship->OrderBy;
  }

  TOdbcStatement* statement = BeginQuery();
  if (!statement) return;
  if (forUpdate_) AppendRowLock(sql, *statement, StoredColumns(entity_));
  bool ok = SQL_SUCCEEDED(statement->Prepare(sql.c_str()));
  for (size_t i = 0; ok && i < links.size(); ++i) {
    const TAttribute* column = links[i].column;
    ok = SQL_SUCCEEDED(statement->BindParameter(int(i), column->SqlType, column->ColumnSize,
                                                column->DecimalDigits, links[i].value.c_str()));
  }
  if (!ok || !SQL_SUCCEEDED(statement->Execute())) {
    DropStatement();
    SetStatus(RecListSqlError);
    return;
  }
  FetchFirstRow();
}

int TDBRecList::SelectByExample(const char* orderText, TDBRecord* example) {
  TWaitCursor wait;
  SetStatus(RecListOk);
  std::vector<TCriterion> criteria = FindCriteria(entity_, example);
  TOdbcStatement* statement = BeginQuery();
  if (!statement) return 0;

  std::string sql = SelectText(entity_);
  const std::string patternMatch =
      std::string(" ") + statement->GetConnection()->Dialect().TextPatternMatch() + " ?";
  for (size_t i = 0; i < criteria.size(); ++i) {
    sql += i ? " AND " : " WHERE ";
    sql += entity_->Attributes[criteria[i].position].Name;
    sql += criteria[i].like ? patternMatch : "=?";
  }
  if (orderText && *orderText) {
    sql += " ORDER BY ";
    sql += orderText;
  }
  if (forUpdate_) AppendRowLock(sql, *statement, StoredColumns(entity_));

  bool ok = SQL_SUCCEEDED(statement->Prepare(sql.c_str()));
  for (size_t i = 0; ok && i < criteria.size(); ++i) {
    const TCriterion& criterion = criteria[i];
    const TAttribute& attribute = entity_->Attributes[criterion.position];
    if (!criterion.like) {
      ok = SQL_SUCCEEDED(statement->BindParameter(int(i), attribute.SqlType, attribute.ColumnSize,
                                                  attribute.DecimalDigits, criterion.value.c_str()));
      continue;
    }
    // What was typed is the pattern, its '%' and '_' wildcards as the user meant them; a
    // text shorter than the field finds every value it begins.
    std::string pattern = criterion.value;
    if (int(pattern.size()) < FieldDisplayWidth(&attribute)) pattern += '%';
    long size = std::max(long(pattern.size()), long(attribute.ColumnSize));
    ok = SQL_SUCCEEDED(statement->BindParameter(int(i), attribute.SqlType, size,
                                                attribute.DecimalDigits, pattern.c_str()));
  }
  if (!ok || !SQL_SUCCEEDED(statement->Execute())) {
    SetError(RecListSqlError, statement->GetDiagMessage());
    DropStatement();
    return 0;
  }
  FetchFirstRow();
  return 1;
}

int TDBRecList::ClassifyFindCriteria(TDBRecord* example) {
  std::vector<TCriterion> criteria = FindCriteria(entity_, example);
  if (criteria.empty()) return 2;
  for (const TCriterion& criterion : criteria) {
    const TAttribute& attribute = entity_->Attributes[criterion.position];
    if (attribute.Indexed || IsKeyAttribute(attribute)) return 0;
  }
  return 1;
}

void TDBRecList::SelectWhere(const char* clause, const char* filterText, TDBRecord* record) {
  SelectWhere(clause, filterText, record, {});
}

void TDBRecList::SelectWhere(const char* clause, const char* filterText, TDBRecord* record,
                             const std::vector<TClauseValue>& values) {
  TWaitCursor wait;
  SetStatus(RecListOk);
  if (!clause) clause = "";
  if (!filterText) filterText = "";
  bool orderClause = _strnicmp(clause, "ORDER ", 6) == 0;

  TTempString message;
  std::string condition;
  if (_strnicmp(clause, "WHERE ", 6) == 0) {
    condition = std::string(" ") + clause;
  } else {
    std::string filter;
    if (*filterText) {
      TTempString result;
      // The filter is an expression of the record it is evaluated for (a lookup's
      // record is of another entity than the list).
      const char* filterEntity = record ? record->GetEntityName() : entity_->Name;
      if (!EvaluateCondition(filterEntity, filterText, record, result)) {
        snprintf(message, TEMP_STRING_SIZE, "An error occurring fetching records as follows:\n %s",
                 ExpressionErrorState.GetErrorMessage());
        MessageBoxCall(nullptr, message, entity_->Name, MB_OK | MB_ICONSTOP);
        SetError(RecListSqlError, ExpressionErrorState.GetErrorMessage());
        return;
      }
      filter = WithoutWhereKeyword(result);
    }
    if (!filter.empty()) {
      condition = " WHERE " + filter;
      if (orderClause) condition += std::string(" ") + clause;
      else if (*clause) condition += std::string(" AND ") + clause;
    } else if (*clause) {
      condition = std::string(orderClause ? " " : " WHERE ") + clause;
    }
  }

  TOdbcStatement* statement = BeginQuery();
  if (!statement) return;
  std::string sql = SelectText(entity_) + condition;
  if (forUpdate_) AppendRowLock(sql, *statement, StoredColumns(entity_));
  // Prepared, not run directly, so that Requery can run it again.
  bool ok = SQL_SUCCEEDED(statement->Prepare(sql.c_str()));
  for (size_t i = 0; ok && i < values.size(); ++i) {
    const TClauseValue& value = values[i];
    ok = SQL_SUCCEEDED(statement->BindParameter(int(i), value.sqlType, value.size, value.digits,
                                                value.text.c_str()));
  }
  if (!ok || !SQL_SUCCEEDED(statement->Execute())) {
    snprintf(message, TEMP_STRING_SIZE, "An error occurring fetching records as follows:\n %s",
             statement->GetDiagMessage());
    MessageBoxCall(nullptr, message, entity_->Name, MB_OK | MB_ICONSTOP);
    DropStatement();
    SetStatus(RecListSqlError);
    return;
  }
  FetchFirstRow();
}
