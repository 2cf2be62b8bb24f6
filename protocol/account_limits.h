// What the server takes in an account's fields, in characters. The game's
// account screens stop typing at these lengths, so no request it sends
// carries a value the server would refuse.
#pragma once

#include <cstddef>

constexpr size_t accountNameShortest = 4;
constexpr size_t accountNameLongest = 24;
constexpr size_t accountPasswordShortest = 4;
constexpr size_t accountPasswordLongest = 64;
constexpr size_t accountEmailShortest = 4;
constexpr size_t accountEmailLongest = 128;
