// Field values and the record's field access, keys and status reports (no database).
#include <gtest/gtest.h>

#include <string>

#include "data/db/record.h"
#include "data/model/model.h"
#include "expr/errors.h"
#include "support/dialog_watcher.h"
#include "support/test_model.h"

namespace {

TEST(FieldValue, StoredAndNewValuesWithTheirFlags) {
  TDBFieldValue field;
  EXPECT_EQ(field.Flags(), 0u);
  EXPECT_STREQ(field.CurrentValue(), "");
  EXPECT_FALSE(field.IsChanged());

  field.SetValue("abc");
  EXPECT_EQ(field.Flags(), uint32_t(TDBFieldValue::HasValue));
  EXPECT_FALSE(field.IsChanged());  // no new value
  field.SetNewValue("ABC");
  EXPECT_EQ(field.Flags(), uint32_t(TDBFieldValue::HasValue | TDBFieldValue::HasNewValue));
  EXPECT_STREQ(field.CurrentValue(), "ABC");
  EXPECT_FALSE(field.IsChanged());  // letter case does not count
  field.SetNewValue("abd");
  EXPECT_TRUE(field.IsChanged());

  field.Commit();
  EXPECT_EQ(field.Flags(), uint32_t(TDBFieldValue::HasValue));
  EXPECT_STREQ(field.Value(), "abd");
  EXPECT_STREQ(field.NewValue(), "");
  // Without a new value a commit changes nothing.
  field.Commit();
  EXPECT_EQ(field.Flags(), uint32_t(TDBFieldValue::HasValue));
  EXPECT_STREQ(field.Value(), "abd");

  // A field's own text can be given back to it.
  field.SetNewValue(field.Value());
  field.SetValue(field.NewValue());
  EXPECT_STREQ(field.Value(), "abd");
  EXPECT_STREQ(field.NewValue(), "abd");

  field.Clear();
  EXPECT_EQ(field.Flags(), 0u);
  EXPECT_STREQ(field.Value(), "");
  EXPECT_STREQ(field.NewValue(), "");
}

TEST(FieldValue, ASharedFieldActsOnItsTarget) {
  TDBFieldValue target, shadow;
  target.SetValue("real");
  shadow.MakeShared(&target);
  EXPECT_STREQ(shadow.Value(), "real");
  shadow.SetNewValue("edited");
  EXPECT_STREQ(target.NewValue(), "edited");
  EXPECT_TRUE(shadow.IsChanged());
  shadow.Clear();  // a shared field is left as it is
  EXPECT_STREQ(target.Value(), "real");
  EXPECT_STREQ(shadow.CurrentValue(), "edited");
  shadow.Commit();
  EXPECT_STREQ(target.Value(), "edited");

  TDBFieldValue copy;
  copy = shadow;  // follows the link
  EXPECT_STREQ(copy.Value(), "edited");
  EXPECT_EQ(copy.Flags(), uint32_t(TDBFieldValue::HasValue));
  TDBFieldValue other;
  other.SetValue("x");
  other.SetNewValue("y");
  shadow = other;
  EXPECT_STREQ(target.Value(), "x");
  EXPECT_STREQ(target.NewValue(), "y");
}

class RecordFields : public ::testing::Test {
protected:
  void SetUp() override {
    TEntitySpec item{"ITEM",
                     {{"CODE", "VARCHAR(10)"}, {"PART", "INTEGER"}, {"NAME"}, {"NAME"}, {"LABEL"}},
                     {}};
    item.attributes[3].nonStored = 1;  // shadow of NAME
    item.attributes[4].nonStored = 1;  // computed shadow
    item.attributes[4].defaultText = "NAME";
    BuildModel(TheModel, {item});
    TheModel.Entities[0].Attributes[0].KeyPart = 1;
    TheModel.Entities[0].Attributes[1].KeyPart = 1;
    TheModel.LinkAndValidate();
  }
  void TearDown() override { TheModel.Clear(); }
};

TEST_F(RecordFields, FieldsByNameOrPositionAndTheShadowSharesItsRealField) {
  TDBRecord* record = NewDBRecord("item");
  EXPECT_STREQ(record->GetEntityName(), "ITEM");
  EXPECT_EQ(record->FieldCount(), 5);
  EXPECT_EQ(record->FindEntity("Item"), 0);
  EXPECT_EQ(record->FindEntity("nothing"), -1);

  record->SetNewValue("code", "A1");
  EXPECT_TRUE(record->IsOk());
  EXPECT_STREQ(record->GetValue(0), "A1");
  record->SetValue(2, "stored name");
  EXPECT_STREQ(record->GetValue(3), "stored name");  // the shadow shows NAME
  record->SetNewValue(3, "edited name");
  EXPECT_STREQ(record->GetValue("NAME"), "edited name");
  EXPECT_STREQ(record->GetOldValue("name"), "stored name");
  EXPECT_TRUE(record->IsFieldChanged("NAME"));
  EXPECT_TRUE(record->IsModified());
  EXPECT_FALSE(record->IsKeyChanged());

  EXPECT_EQ(record->AttributeIndex(record->GetEntity(), "label"), 4);
  EXPECT_EQ(record->FieldIndex(record->GetEntity(), "label"), -1);
  EXPECT_EQ(record->FieldIndex(record->GetEntity(), 3), 3);
  EXPECT_EQ(record->AttributeIndex(record->GetEntity(), 4), 4);

  record->Reset();
  EXPECT_EQ(record->Field(2).Flags(), 0u);
  EXPECT_STREQ(record->GetValue(3), "");
  delete record;
}

TEST_F(RecordFields, UnknownFieldsReport101WithNameOrPosition) {
  TDBRecord record("ITEM");
  EXPECT_STREQ(record.GetValue("missing"), "?");
  EXPECT_EQ(record.GetStatus(), RecordInvalidFieldName);
  EXPECT_EQ(RecordErrorState.GetErrorCode(), 101u);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Invalid field name: : missing");

  // A computed shadow has no field of its own.
  EXPECT_STREQ(record.GetOldValue(4), "?");
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Invalid field name: : 4");
  record.SetNewValue("missing", "x");
  EXPECT_EQ(record.GetStatus(), RecordInvalidFieldName);
  record.SetValue(4, "x");
  EXPECT_EQ(record.GetStatus(), RecordInvalidFieldName);
  EXPECT_FALSE(record.IsFieldChanged("missing"));
  EXPECT_FALSE(record.IsOk());

  // The next access clears the status and the channel.
  EXPECT_STREQ(record.GetValue("CODE"), "");
  EXPECT_TRUE(record.IsOk());
  EXPECT_EQ(RecordErrorState.GetErrorCode(), 0u);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "");

  record.SetStatus(RecordAlreadyExists);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Record already exists: ");
  record.SetError(RecordMandatoryEmpty, "Name");
  EXPECT_EQ(record.GetStatus(), 110);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Mandatory field not filled out: : Name");
  record.Reset();
  EXPECT_TRUE(record.IsOk());
  EXPECT_EQ(RecordErrorState.GetErrorCode(), 0u);
}

TEST_F(RecordFields, KeysCompareExactlyWhileChangesIgnoreLetterCase) {
  TDBRecord a("ITEM"), b("ITEM");
  a.SetValue("CODE", "abc");
  a.SetValue("PART", "1");
  b.SetNewValue("CODE", "abc");
  b.SetNewValue("PART", "1");
  EXPECT_TRUE(a.HasSameKey(b));
  b.SetNewValue("CODE", "ABC");
  EXPECT_FALSE(a.HasSameKey(b));
  a.SetNewValue("CODE", "ABC");
  EXPECT_FALSE(a.IsKeyChanged());
  a.SetNewValue("PART", "2");
  EXPECT_TRUE(a.IsKeyChanged());
  a.SetNewValue("NAME", "n");  // no stored value: not a change
  EXPECT_FALSE(a.IsFieldChanged("NAME"));

  // Assign copies every field with both values and flags, and clears the status.
  TDBRecord c("ITEM");
  c.SetStatus(RecordSqlError);
  c.Assign(a);
  EXPECT_TRUE(c.IsOk());
  EXPECT_STREQ(c.GetOldValue("CODE"), "abc");
  EXPECT_STREQ(c.GetValue("CODE"), "ABC");
  EXPECT_EQ(c.Field(0).Flags(), a.Field(0).Flags());
  EXPECT_STREQ(c.GetValue(3), "n");  // the shadow still shares c's own NAME
  c.SetNewValue(3, "changed");
  EXPECT_STREQ(a.GetValue("NAME"), "n");
}

TEST_F(RecordFields, ForUpdateFlagAndEntityName) {
  TDBRecord record("ITEM");
  EXPECT_EQ(record.SetForUpdate(true), &record);
  EXPECT_TRUE(record.GetForUpdate());
  record.Reset();
  EXPECT_FALSE(record.GetForUpdate());
}

TEST(RecordEntity, AnUnknownEntityIsFatal) {
  TFatalOutcome outcome =
      RunExpectingFatalBox("\"" + TestProgramPath("record_probe") + "\" entity NO_SUCH");
  ASSERT_TRUE(outcome.box.found);
  EXPECT_EQ(outcome.box.text, "Invalid entity: NO_SUCH");
  EXPECT_EQ(outcome.exitCode, 1);
}

}  // namespace
