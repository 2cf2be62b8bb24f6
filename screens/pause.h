// The pause overlay over the game view: the pause menu, the tutorial card,
// the reset question and the connection prompt.
#pragma once

void renderPause();
