// The Patching screen: the download of a patch with its speed, size and history.
#pragma once

#include <cstdint>

void UpdatePatching(float dtMs);
void renderPatching();
