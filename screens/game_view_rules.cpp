// The game view's rules as plain values: texture names, number formats,
// alphas and fills over time. The drawing code only applies them.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/fonts.h"
#include "game/blocks.h"
#include "game/modes.h"
#include "screens/game_view.h"
#include "settings/settings.h"

static constexpr float opaque = 255.0f;
static constexpr float dyingGlowMs = 200.0f;
static constexpr float warningStartPercent = 60.0f;
static constexpr float warningRampPercent = 30.0f;
static constexpr float warningMaxAlpha = 150.0f;
static constexpr float previewAlphaCut = 55.0f;
static constexpr float nextPreviewRate = 1.35f;
static constexpr float floatyLifeMs = 2000.0f;
static constexpr float floatyShadowShare = 0.75f;
static constexpr float floatyGrowMs = 250.0f;
static constexpr float floatyBaseScale = 0.5f;
static constexpr float multiplierTextScale = 1.25f;
static constexpr float styledTextScale = 1.5f;
static constexpr float hudMarginShare = 0.05f;
static constexpr float bannerShowMs = 3000.0f;
static constexpr float bannerStepMs = 500.0f;
static constexpr float bannerStayMs = 3000.0f;
static constexpr float bannerFadeMs = 1000.0f;
static constexpr float veilMaxAlpha = 100.0f;
static constexpr float veilRampMs = 500.0f;
static constexpr float panelTextStartMs = 500.0f;
static constexpr float panelTextRiseMs = 50.0f;
static constexpr float panelTextFadeStartMs = 4000.0f;
static constexpr float panelTextFadeMs = 1000.0f;
static constexpr float submittingUntilMs = 3000.0f;
static constexpr float panelAchievementsFromMs = 5000.0f;
static constexpr int32_t secondsPerMinute = 60;

// ---- names and numbers ----

std::string blockTextureName(int32_t colour, int32_t highlight) {
    static const char* const stems[] = {"",       "yellow", "blue", "red",
                                        "orange", "pink",   "grey", "green"};
    if (colour < 1 || colour > 7) return "";
    if (colour == White) return "grey.tga";
    std::string name = stems[colour];
    if (highlight) name += "H";
    if (Colorblind) name += "CB";
    return name + ".tga";
}

std::string thousandsString(int64_t n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out;
    for (size_t i = 0; i < digits.size(); i++) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return n < 0 ? "-" + out : out;
}

std::string clockString(int64_t seconds) {
    seconds = std::max<int64_t>(0, seconds);
    int64_t rest = seconds % secondsPerMinute;
    return std::to_string(seconds / secondsPerMinute) + ":" + (rest < 10 ? "0" : "") +
           std::to_string(rest);
}

std::string levelLabel(int32_t mode, int32_t levelIndex) {
    if (mode == ModeSurvival || mode == ModeRush || mode == ModeMeditation) return modeName(mode);
    return "Level " + std::to_string(levelIndex + 1);
}

std::string modeStatusText(int32_t mode, float stageTimerMs, float runTimeMs, int32_t arrivals) {
    if (mode == ModeSurvival)
        return clockString(static_cast<int64_t>((stageLength - stageTimerMs) / 1000) + 1);
    if (mode == ModeRush) return clockString(static_cast<int64_t>(runTimeMs / 1000));
    if (mode == ModeMeditation) return "Blocks: " + std::to_string(meditationShots - arrivals);
    return "";
}

std::string personalBestText(int32_t best, bool offline) {
    if (offline) return "Personal Best: Offline";
    if (best < 0) return "Personal Best: Loading...";
    return "Personal Best: " + thousandsString(best);
}

// ---- blocks and previews ----

float dyingOverlayAlpha(float popDelay) {
    float left = popDelay + dyingGlowMs;
    return left > 0 ? std::min(opaque, left / dyingGlowMs * opaque) : 0.0f;
}

float massWarningAlpha(float percent) {
    if (percent < warningStartPercent) return 0.0f;
    return warningMaxAlpha * std::min(1.0f, (percent - warningStartPercent) / warningRampPercent);
}

float previewAlpha(float aimAlpha) {
    return std::max(0.0f, aimAlpha - previewAlphaCut);
}

float currentPreviewAlpha(float aimAlpha) {
    return std::clamp(nextPreviewRate * aimAlpha, 0.0f, opaque);
}

float previousPreviewAlpha(float aimAlpha) {
    return opaque - currentPreviewAlpha(aimAlpha);
}

// ---- floating texts ----

FloatyStyle floatyStyle(const FloatingText& text, bool multiplier, bool rush) {
    bool styled = text.big || text.message;
    float life = styled ? 2 * floatyLifeMs : floatyLifeMs;
    float a = text.age;
    FloatyStyle style = {0, 0, floatyBaseScale, 255, 255, 255};
    if (a < life) {
        style.alpha = std::max(0.0f, opaque - a / life * opaque);
        style.shadowAlpha = std::max(0.0f, opaque - a / (floatyShadowShare * life) * opaque);
    }
    if (a < floatyGrowMs) style.scale += (1 - a / floatyGrowMs) * 0.5f * text.value / life;
    if (multiplier) style.scale *= multiplierTextScale;
    if (styled) style.scale *= styledTextScale;
    if (rush) style = {style.alpha, style.shadowAlpha, style.scale, 219, 86, 0};
    if (multiplier || text.message)
        style = {style.alpha, style.shadowAlpha, style.scale, 255, 255, 0};
    return style;
}

int32_t floatyAlignment(const FloatingText& text, float screenHeight) {
    // Half a pixel either way: the game computes the margin from the same height.
    bool onMargin = std::fabs(text.x - hudMarginShare * screenHeight) < 0.5f;
    return onMargin ? AlignLeft : text.alignment;
}

// ---- death flash ----

float deathStreakAlpha(const float timers[5]) {
    float f2 = timers[1] / 200.0f, f5 = timers[4] / 500.0f;
    return std::clamp(opaque * f2 - opaque * f5, 0.0f, opaque);
}

float deathBurstAlpha(const float timers[5]) {
    float f3 = timers[2] / 300.0f, f5 = timers[4] / 500.0f;
    return std::clamp(opaque * f3 - opaque * f5, 0.0f, opaque);
}

// ---- powerup panel ----

float powerupFill(int32_t slot, float charge) {
    static const float from[3] = {0.0f, 50.0f, 150.0f};
    static const float span[3] = {50.0f, 100.0f, 150.0f};
    if (slot < 0 || slot > 2) return 0.0f;
    return std::clamp((charge - from[slot]) / span[slot], 0.0f, 1.0f);
}

float powerupBannerAlpha(float timerMs) {
    if (timerMs >= bannerShowMs) return 0.0f;
    return std::clamp(opaque - timerMs / bannerShowMs * opaque, 0.0f, opaque);
}

// ---- achievement banners ----

float achievementBannerAlpha(int32_t k, float clockMs) {
    float shownAt = bannerStepMs * k;
    if (clockMs <= shownAt) return 0.0f;
    float fading = clockMs - (shownAt + bannerStayMs);
    if (fading <= 0) return opaque;
    return std::max(0.0f, opaque - fading / bannerFadeMs * opaque);
}

bool achievementBannersDone(int32_t n, float clockMs) {
    return clockMs >= bannerStepMs * n + bannerStayMs + bannerFadeMs;
}

// ---- level-complete panel ----

float levelCompleteVeilAlpha(float t) {
    return std::clamp(t / veilRampMs * veilMaxAlpha, 0.0f, veilMaxAlpha);
}

float levelCompleteTextAlpha(float t) {
    if (t < panelTextStartMs) return 0.0f;
    if (t < panelTextStartMs + panelTextRiseMs)
        return (t - panelTextStartMs) / panelTextRiseMs * opaque;
    if (t <= panelTextFadeStartMs) return opaque;
    return std::max(0.0f, opaque - (t - panelTextFadeStartMs) / panelTextFadeMs * opaque);
}

std::string levelCompleteStatus(float t, bool answered, bool offline, bool practice,
                                bool achievementsLeft) {
    if (!answered) {
        if (offline || practice) return "";
        return t <= submittingUntilMs ? "Submitting score..." : "Connecting to server...";
    }
    if (t > panelAchievementsFromMs && achievementsLeft) return "Click to Continue";
    return "";
}
