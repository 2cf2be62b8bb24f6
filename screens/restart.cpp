#include "screens/restart.h"

#include "base/profiler.h"
#include "screens/menu_base.h"
#include "settings/settings.h"

void (*relaunchProgram)() = nullptr;

static bool relaunched = false;

void UpdateRestart(float) {
    ProfileScope section("UpdateRestart");
    if (relaunched) return;
    relaunched = true;
    if (relaunchProgram) relaunchProgram();
}

void renderRestart() {
    ProfileScope section("renderRestart");
    renderMenuBase();
    Vec2 first = menuRowCentre(-1), second = menuRowCentre(0);
    drawMenuLabel("Please restart the game to update your settings.", first.x, first.y);
    drawMenuLabel("Restart?", second.x, second.y);
}
