// The value of an expression operand or result: a text, a 32-bit integer or a double.
// Reading a value as another kind converts it in place.
#pragma once

enum TValueType : int { ValueString = 0, ValueLong = 1, ValueDouble = 2 };

class TValue {
public:
  TValue();
  TValue(const TValue& other);
  ~TValue();
  TValue& operator=(const TValue& other);

  void Clear();
  void SetString(const char* text);
  void SetLong(long value);
  void SetDouble(double value);

  TValueType GetType() const { return type_; }
  const char* AsString();
  long AsLong();
  double AsDouble();

  // Converts the value to the text of a column of this ODBC SQL type, length and scale.
  const char* FormatForColumn(int sqlType, int length, int scale);

private:
  void ToString();
  void ToLong();
  void ToDouble();
  void FreeText();
  void TakeText(const char* text);

  TValueType type_;
  union {
    char* text_;
    long long_;
    double double_;
  };
};
