#include "engine/camera.h"

// The camera with its approach and shake arrives with the game view; until
// then the view stays at the identity that Draw loads.
void applyCamera() {}
