// The HTTP console: every logged request, newest at the top, drawn over
// everything while the console's "show curlconsole" has switched it on.
#pragma once

#include <string>

// The text of log row `row` (0 the newest): the base address and the plain request.
std::string curlConsoleLine(size_t row);
void renderCurlConsole();
