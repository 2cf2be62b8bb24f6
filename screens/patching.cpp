// The Patching screen: the download runs on the request queue while this
// screen samples its size and speed once a second.
#include "screens/patching.h"

#include <cstdio>
#include <string>

#include "base/profiler.h"
#include "engine/fonts.h"
#include "online/patch.h"
#include "screens/menu_base.h"
#include "settings/settings.h"

float patchSpeedTimer = 0.0f;
float patchSizeTimer = 0.0f;
size_t lastSampleBytes = 0;
float currentSpeed = 0.0f;
std::deque<float> speedHistory;
size_t shownBytes = 0;

static constexpr float sampleMs = 1000.0f, bytesPerKb = 1024.0f, bytesPerMb = 1024.0f * 1024.0f;
static constexpr float titleRow = -3.5f, titleScale = 0.65f, columnShare = 0.3f;

static void sampleSpeed() {
    size_t length = patchData.size();
    // A restarted download is shorter than the last sample; it counts from zero.
    float delta = length >= lastSampleBytes ? static_cast<float>(length - lastSampleBytes) : 0.0f;
    lastSampleBytes = length;
    speedHistory.push_front(currentSpeed);
    if (speedHistory.size() > speedHistoryLength) speedHistory.resize(speedHistoryLength);
    currentSpeed = delta / (sampleMs / 1000.0f) / bytesPerKb;
}

void UpdatePatching(float dtMs) {
    ProfileScope section("UpdatePatching");
    patchSpeedTimer += dtMs;
    if (patchSpeedTimer >= sampleMs) {
        patchSpeedTimer -= sampleMs;
        sampleSpeed();
    }
    patchSizeTimer += dtMs;
    if (patchSizeTimer >= sampleMs) {
        patchSizeTimer -= sampleMs;
        shownBytes = patchData.size();
    }
    startPatchDownload();
}

float shownSpeed() {
    float sum = 0.0f;
    for (float speed : speedHistory) sum += speed;
    float mean = speedHistory.empty() ? 0.0f : sum / speedHistory.size();
    return (currentSpeed + mean) / 2.0f;
}

static std::string formatted(const char* format, double value) {
    char text[64];
    snprintf(text, sizeof text, format, value);
    return text;
}

static void drawPatchRow(float row, const std::string& left, const std::string& right) {
    Vec2 centre = menuRowCentre(row);
    float offset = columnShare * ScreenHeight;
    printShadowed(left, centre.x - offset, centre.y, 2, AlignRight, 1, 255, 255, 255, 255,
                  mediumFont);
    printShadowed(right, centre.x + offset, centre.y, 2, AlignLeft, 1, 255, 255, 255, 255,
                  mediumFont);
}

void renderPatching() {
    ProfileScope section("renderPatching");
    renderMenuBase();
    Vec2 title = menuRowCentre(titleRow);
    drawMenuLabel("Patching", title.x, title.y, titleScale);
    drawPatchRow(0, "Downloaded: ",
                 formatted("%.2f", shownBytes / bytesPerMb) + " / " +
                     formatted("%.2f", patchSize / bytesPerMb) + " MB");
    drawPatchRow(1, "Speed:", formatted("%.2f", shownSpeed()) + " KB/s");
}
