// The expression language: compiled expressions, their values and the error channels.
#pragma once

#include "expr/errors.h"
#include "expr/expression.h"
#include "expr/exprnode.h"
#include "expr/symbols.h"
#include "expr/value.h"
