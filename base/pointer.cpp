#include "base/pointer.h"

int32_t mouseX = 0, mouseY = 0;
bool leftDown = false, rightDown = false;
int32_t holdTime = 0;
int32_t rightHoldTime = 0;
float dragTime = 0.0f;
float dragOrigin[2] = {0.0f, 0.0f};
int32_t playKeysHeld = 0;
bool padInUse = false;
float listDragOrigin[2] = {0.0f, 0.0f};
