// Conditions, conversion, the user and the database names, sequences, and the functions
// that reach outside the program (beep, mail, programs).
#include "data/core/userprofile.h"
#include "data/db/record.h"
#include "data/db/sequence.h"
#include "data/model/model.h"
#include "expr/evalsupport.h"
#include "expr/expression.h"
#include "expr/external.h"
#include "expr/formatstring.h"
#include "expr/sendmail.h"
#include "expr/symbols.h"
#include "expr/value.h"

#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// The target type of CONVERT as written: a name or a string; null for anything else.
const char* WrittenText(const TExprNode* node) {
  if (node && node->Kind == KindAtom && (node->Class == NodeName || node->Class == NodeString))
    return node->First.Text;
  return nullptr;
}

bool IsOneOf(const char* name, std::initializer_list<const char*> names) {
  for (const char* candidate : names)
    if (_stricmp(name, candidate) == 0) return true;
  return false;
}

int Convert(TExpression& expression, TDBRecord* record, const TExprNode* call, TValue& result) {
  TValue value;
  if (!expression.EvaluateNode(record, Argument(call, 0), value)) return 0;
  const char* written = WrittenText(Argument(call, 1));
  if (!written) return FailWith(ExprUnknownSqlType, "");
  const char* type = written;
  if (_strnicmp(type, "ZSQL_", 5) == 0)
    type += 5;
  else if (_strnicmp(type, "SQL_", 4) == 0)
    type += 4;

  if (IsOneOf(type, {"VARCHAR", "CHAR", "DATE", "TIME", "TIMESTAMP"}))
    value.AsString();
  else if (IsOneOf(type, {"INTEGER", "SMALLINT", "TINYINT", "BIT"}))
    value.AsLong();
  else if (IsOneOf(type, {"REAL", "FLOAT", "DOUBLE"}))
    value.AsDouble();
  else if (IsOneOf(type, {"DECIMAL", "NUMERIC"}))
    ConvertTextToNumber(value);
  else
    return FailWith(ExprUnknownSqlType, written);
  result = value;
  return 1;
}

int NextSequenceOf(TExpression& expression, TDBRecord* record, const TExprNode* call, TValue& result) {
  const int count = call->First.Count;
  TValue args[2];
  if (!EvaluateArguments(expression, record, call, args, count)) return 0;
  long value;
  if (count == 0) {
    const TEntity* entity = expression.GetEntity();
    value = record ? NextSequence(record->GetEntityName()) : entity ? NextSequence(entity->Name) : -1;
  } else if (count == 1) {
    value = NextSequence(args[0].AsString());
  } else {
    const std::string relationship = args[0].AsString();
    value = record ? UpdateFieldLocked(record, relationship.c_str(), args[1].AsString()) : -1;
  }
  result.SetLong(value);
  return 1;
}

// The texts of the arguments from index first on, up to the first that is missing or
// fails: that one and all after it count as empty texts.
void OptionalTexts(TExpression& expression, TDBRecord* record, const TExprNode* call, int first,
                   std::string* texts, int count) {
  bool going = true;
  for (int i = 0; i < count; ++i) {
    TValue value;
    going = going && expression.EvaluateNode(record, Argument(call, first + i), value);
    texts[i] = going ? value.AsString() : "";
  }
}

int FormatStringOf(TExpression& expression, TDBRecord* record, const TExprNode* call, TValue& result) {
  TValue format;
  if (!expression.EvaluateNode(record, Argument(call, 0), format)) return 0;
  std::vector<std::string> values;
  for (int i = 1; i <= 3; ++i) {
    TValue value;
    if (!expression.EvaluateNode(record, Argument(call, i), value)) break;
    values.push_back(value.AsString());
  }
  if (values.empty())
    SetResultText(result, format.AsString());
  else
    SetResultText(result, FormatWithTexts(format.AsString(), values));
  return 1;
}

}  // namespace

int EvalOtherFunction(TExpression& expression, TDBRecord* record, const TExprNode* call,
                      TValue& result) {
  switch (call->Kind) {
    case KindUser: result.SetString(TheModel.DefaultUser); return 1;
    case KindDatabase: result.SetString(TheModel.DatabaseName); return 1;
    case KindGetLoginId: result.SetString(CurrentUser.UserId); return 1;
    case KindGetLoginName: result.SetString(CurrentUser.Staff_Name); return 1;
    case KindIfNull: {
      TValue value;
      if (!expression.EvaluateNode(record, Argument(call, 0), value)) return 0;
      TValue text = value;
      if (text.AsString()[0] != '\0') {
        result = value;
        return 1;
      }
      TValue other;
      if (!expression.EvaluateNode(record, Argument(call, 1), other)) return 0;
      result = other;
      return 1;
    }
    case KindIf: {
      TValue condition;
      if (!expression.EvaluateNode(record, Argument(call, 0), condition)) return 0;
      TValue branch;
      if (!expression.EvaluateNode(record, Argument(call, condition.AsLong() != 0 ? 1 : 2), branch)) return 0;
      result = branch;
      return 1;
    }
    case KindConvert: return Convert(expression, record, call, result);
    case KindNextSequence: return NextSequenceOf(expression, record, call, result);
    case KindDisplayError: {
      TValue value;
      if (!expression.EvaluateNode(record, Argument(call, 0), value)) return 0;
      result.SetString("");
      return 1;
    }
    case KindMessageBeep: {
      TValue type;
      if (!expression.EvaluateNode(record, Argument(call, 0), type)) return 0;
      MessageBeep(UINT(type.AsLong()));
      result.SetString("");
      return 1;
    }
    case KindFormatString: return FormatStringOf(expression, record, call, result);
    case KindSendMail: {
      TValue args[3];
      if (!EvaluateArguments(expression, record, call, args, 3)) return 0;
      std::string attachment;
      OptionalTexts(expression, record, call, 3, &attachment, 1);
      const std::string to = args[0].AsString(), subject = args[1].AsString();
      SendMail(to.c_str(), subject.c_str(), args[2].AsString(), attachment.c_str());
      result.SetString("");
      return 1;
    }
    case KindExecute: {
      TValue command;
      if (!expression.EvaluateNode(record, Argument(call, 0), command)) return 0;
      std::string a[5];
      OptionalTexts(expression, record, call, 1, a, 5);
      RunExternalCommand(command.AsString(), a[0].c_str(), a[1].c_str(), a[2].c_str(), a[3].c_str(),
                         a[4].c_str());
      result.SetString("");
      return 1;
    }
  }
  return 0;
}
