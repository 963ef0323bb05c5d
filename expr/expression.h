// A compiled expression bound to one entity.
#pragma once

class TExpression {
public:
  TExpression() = default;
  ~TExpression() = default;
  TExpression(const TExpression&) = delete;
  TExpression& operator=(const TExpression&) = delete;
};
