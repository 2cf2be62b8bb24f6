#include "base/frame_state.h"

float windowActive = 1.0f;
int64_t frameNumber = 0;
float frameDtMs = 0.0f;
float particleDeg = 1.0f;
int32_t particlesDrawn = 0;
bool blinkOn = false;
int32_t startupStage = 0;
std::string versionText;
