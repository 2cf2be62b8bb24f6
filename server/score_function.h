// PostgreSQL only: a whole score submission as one function inside the
// database, so it costs one round trip and holds its row locks only while the
// database itself works. It follows the rules of scores.cpp step for step
// (SQLite keeps running them in C++); the tests play the same submissions on
// both back ends and compare replies and stored rows.
#pragma once

#include <string>
#include <vector>

// The statements that create or replace the function and its helpers.
const std::vector<std::string>& scoreFunctionStatements();

// Its call: the parameters of the result insert with the score's histogram bin last.
extern const char scoreFunctionCall[];
