#include "CodeCreator.h"

// Tokens: 0 opens a block, 1 closes it, 5 ends a statement, 6 is the null value, 7 one indentation step,
// 8 and 9 surround a condition, 10 and 11 open and close a string, 12 assigns.
const TTokenTable PascalTokens = {"begin", "end", "and",   "or", "not", ";\r\n", "nil",
                                  "  ",    "if ", " then", "'",  "'",   ":="};
const TTokenTable CTokens = {"{", "}", "&&", "||", "!", ";\r\n", "NULL", "\t", "if (", ")", "\"", "\"", "="};
const TOperatorTable PascalOperators = {"=", ">", "<", ">=", "<=", "<>"};
const TOperatorTable COperators = {"==", ">", "<", ">=", "<=", "!="};
