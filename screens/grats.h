// The congratulations after the last Classic level: fireworks over the picture.
#pragma once

#include <cstdint>

void UpdateGrats(float dtMs);
void renderGrats();
