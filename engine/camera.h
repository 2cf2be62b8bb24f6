// The camera of the 3D view.
#pragma once

// Places the camera for this frame on the model-view matrix.
void applyCamera();
