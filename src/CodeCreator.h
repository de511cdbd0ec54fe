#pragma once
#include <array>

// The text tables of the two languages the FindWindow code is written in.
using TTokenTable = std::array<const char*, 13>;
using TOperatorTable = std::array<const char*, 6>;

extern const TTokenTable PascalTokens, CTokens;
extern const TOperatorTable PascalOperators, COperators;
