// The error channels and their tables.
#include "expr/errors.h"

#include <gtest/gtest.h>

#include <string>

TEST(ErrorTables, CodesAndTextsInOrder) {
  struct Table { const TErrorText* rows; int first, last; };
  for (const Table& t : {Table{ExpressionErrors, 200, 218}, Table{RecordErrors, 101, 116},
                         Table{RecordListErrors, 150, 152}}) {
    int code = t.first;
    const TErrorText* row = t.rows;
    for (; row->code != 0; ++row, ++code) {
      EXPECT_EQ(row->code, code);
      EXPECT_NE(row->text, nullptr);
    }
    EXPECT_EQ(code, t.last + 1);
    EXPECT_EQ(row->text, nullptr);
  }
  // A few texts whose blanks and colons matter.
  EXPECT_STREQ(FindErrorText(ExpressionErrors, 200), "Invalid symbol encountered: ");
  EXPECT_STREQ(FindErrorText(ExpressionErrors, 205), "Field name expected after : operator");
  EXPECT_STREQ(FindErrorText(ExpressionErrors, 218), "Invalid Data Type");
  EXPECT_STREQ(FindErrorText(RecordErrors, 114), "Invalid Field Data : ");
  EXPECT_STREQ(FindErrorText(RecordErrors, 115), "Invalid value entered for field ");
  EXPECT_STREQ(FindErrorText(RecordErrors, 109), "Cascade too deep - possible infinite loop");
  EXPECT_STREQ(FindErrorText(RecordListErrors, 152), "Unknown relationship name: ");
  EXPECT_EQ(FindErrorText(RecordListErrors, 153), nullptr);
}

TEST(ErrorState, MessagesFromTheTable) {
  struct Case { uint32_t code; const char* detail; const char* message; };
  const Case cases[] = {
      {208, "PRICE", "Undefined attribute: : PRICE"},
      {203, "", "Unfinished expression: "},
      {203, nullptr, "Unfinished expression: "},
      {999, "free text", "free text"},
      {0, "ignored", ""},
      {777, "dropped", "Unknown error message"},
  };
  TErrorState state;
  for (const Case& c : cases) {
    state.SetErrorFromTable(c.code, ExpressionErrors, c.detail);
    EXPECT_EQ(state.GetErrorCode(), c.code);
    EXPECT_STREQ(state.GetErrorMessage(), c.message);
    EXPECT_EQ(state.IsErrorFree(), c.code == 0);
  }
}

TEST(ErrorState, LongTextsStayWithinTheBuffer) {
  TErrorState state;
  const std::string detail(1000, 'd');
  state.SetErrorFromTable(202, ExpressionErrors, detail.c_str());  // text of 41 characters
  std::string message = state.GetErrorMessage();
  ASSERT_EQ(message.size(), 1023u);
  EXPECT_EQ(message.substr(message.size() - 1000), detail);
  EXPECT_EQ(message.substr(0, 21), "Extra symbols encount");
  EXPECT_EQ(message.substr(21, 2), ": ");

  const std::string huge(5000, 'h');
  state.SetErrorFromTable(208, ExpressionErrors, huge.c_str());
  EXPECT_EQ(std::string(state.GetErrorMessage()), huge.substr(0, 1023));
  state.SetErrorFromTable(999, ExpressionErrors, huge.c_str());
  EXPECT_EQ(std::string(state.GetErrorMessage()), huge.substr(0, 1023));
  state.SetErrorText(5, std::string(2000, 't').c_str());
  EXPECT_EQ(std::string(state.GetErrorMessage()), std::string(1023, 't'));
  EXPECT_EQ(state.GetErrorCode(), 5u);
}

TEST(ErrorState, SetCodeClearAndPending) {
  EXPECT_FALSE(AnyErrorPending());
  TErrorState* channels[] = {&SqlErrorState, &ExpressionErrorState, &RecordErrorState,
                             &RecordListErrorState};
  for (TErrorState* channel : channels) {
    channel->SetErrorText(105, "Record does not exist");
    EXPECT_TRUE(AnyErrorPending());
    channel->SetErrorCode(0);
    EXPECT_FALSE(AnyErrorPending());
  }
  RecordErrorState.SetErrorFromTable(105, RecordErrors, "");
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Record does not exist: ");
  RecordErrorState.SetErrorCode(110);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "");
  EXPECT_TRUE(AnyErrorPending());
  RecordErrorState.Clear();
  EXPECT_FALSE(AnyErrorPending());
}
