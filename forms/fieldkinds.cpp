// What kind of control an attribute gets on a form: plain, read-only, combo, check box.
#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include "data/model/model.h"
#include "forms/edittemplates.h"

namespace {

bool HasCodeList(const TAttribute* a) { return a->CodeList != nullptr || *a->CodeListName; }
bool IsCharType(const TAttribute* a) { return a->SqlType == SQL_CHAR || a->SqlType == SQL_VARCHAR; }

}  // namespace

int IsPlainField(const TAttribute* a) {
  return !HasCodeList(a) && a->SqlType != SQL_BIT && !a->Calculated && !a->NonStored;
}

int IsReadOnlyField(const TAttribute* a) {
  return !HasCodeList(a) && a->SqlType != SQL_BIT && (a->Calculated || a->NonStored);
}

int IsComboField(const TAttribute* a) {
  return HasCodeList(a) &&
         (HasAttrFlag(a, 'M') || (IsCharType(a) && !HasAttrFlag(a, 'G')));
}

int IsEditableCombo(const TAttribute* a) { return IsComboField(a) && HasAttrFlag(a, 'E'); }

int IsDropListCombo(const TAttribute* a) { return IsComboField(a) && !HasAttrFlag(a, 'E'); }

int IsCheckBoxField(const TAttribute* a) { return a->SqlType == SQL_BIT && !HasCodeList(a); }

int IsRadioGroupField(const TAttribute* a) {
  return HasCodeList(a) &&
         (HasAttrFlag(a, 'G') || (!IsCharType(a) && !HasAttrFlag(a, 'R')));
}

int HasFieldLabel(const TAttribute* a) {
  return IsPlainField(a) || IsReadOnlyField(a) || IsComboField(a);
}
