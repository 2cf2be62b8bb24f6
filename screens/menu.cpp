#include "screens/menu.h"

#include <cmath>

#include "base/game_state.h"
#include "base/pointer.h"
#include "base/profiler.h"
#include "engine/draw2d.h"
#include "engine/fonts.h"
#include "engine/text_wrap.h"
#include "game/modes.h"
#include "game/play.h"
#include "online/account.h"
#include "online/news.h"
#include "online/ranking.h"
#include "platform/system.h"
#include "screens/achieves.h"
#include "screens/button_focus.h"
#include "screens/menu_base.h"
#include "screens/music_mixer.h"
#include "screens/options.h"
#include "settings/settings.h"

float menuAngle = 0.0f;
int32_t menuFrameCounter = 0;

const char* const twitterPageUrl = ZENTRIX_TWITTER_URL;
const char* const facebookPageUrl = ZENTRIX_FACEBOOK_URL;
const char* const supportPageUrl = ZENTRIX_SUPPORT_URL;

enum MenuItem : int32_t {
    ItemStartGame = 1,
    ItemSwitchPlayer = 2,
    ItemRanking = 3,
    ItemOptions = 4,
    ItemCredits = 5,
    ItemQuit = 6,
    ItemAchievements = 7,
    ItemTwitter = 8,
    ItemFacebook = 9,
    ItemSupport = 10,
};

static const MenuRow menuRows[] = {
    {ItemStartGame, -3, "Start Game", "Start A New Game"},
    {ItemSwitchPlayer, -2, "Switch Player", "Create/Switch Profiles"},
    {ItemRanking, -1, "Online Ranking", "View Player Statistics and Leaderboards"},
    {ItemAchievements, 0, "Achievements", "View Player Achievements"},
    {ItemOptions, 1, "Options", "Customize Visual and Audio Settings"},
    {ItemCredits, 2, "Credits", "View Developer Credits"},
    {ItemQuit, 3, "Quit", "Exit the Game"},
};
static constexpr int menuRowCount = sizeof(menuRows) / sizeof(menuRows[0]);

// A site icon at (W − offset × s, H − s), s (plus extra) pixels square.
struct SiteIcon {
    int32_t item;
    const char* texture;
    float offset;
    float extra;
    const char* description;
    const char* const* url;
};
static const SiteIcon siteIcons[] = {
    {ItemTwitter, "social-twitter.tga", 3.5f, 0.0f, "Follow us on Twitter!", &twitterPageUrl},
    {ItemFacebook, "social-facebook.tga", 2.25f, 0.0f, "Follow us on Facebook!", &facebookPageUrl},
    {ItemSupport, "social-zxg.tga", 1.0f, 1.0f, "Feedback & Support", &supportPageUrl},
};

static constexpr int32_t framesPerCycle = 60;
static constexpr float angleDivisor = 2.5f;
static constexpr float fullTurn = 360.0f;
static constexpr float newsWidthShare = 0.3f, newsAspect = 531.0f / 331.0f;
static constexpr float newsLeftShare = 0.01f, newsMarginShare = 0.022f;
static constexpr float newsPanelAlpha = 64.0f, spinnerAlpha = 175.0f;
static constexpr float spinnerShare = 0.06095238f;
static constexpr float newsScale = 0.475f, newsLineStep = 1.75f, shortLineShare = 0.75f;

// ---- news ----

// The wrapped news, made once per text and window size.
static const std::vector<std::string>& newsLines() {
    static std::vector<std::string> lines;
    static std::string wrappedText;
    static float wrappedHeight = -1;
    if (wrappedText != newsText || wrappedHeight != screenH()) {
        wrappedText = newsText;
        wrappedHeight = screenH();
        lines = wrapText(newsText, mediumFont, newsScale, newsWidthShare * screenH(),
                         newsMarginShare * screenH());
    }
    return lines;
}

static void renderNewsPanel() {
    float h = screenH();
    float width = newsWidthShare * h, height = width * newsAspect;
    float left = newsLeftShare * h, top = h / 2 - height / 2;
    Render2D({left, top}, {width, height}, AnchorTopLeft, "newswindow.tga", newsPanelAlpha);
    if (newsText.empty()) {
        drawLoadingSpinner({left + width / 2, h / 2}, spinnerShare * h, menuAngle, spinnerAlpha);
        return;
    }
    float step = menuLineHeight() * newsLineStep * newsScale;
    float x = left + newsMarginShare * h, y = top + newsMarginShare * h + step;
    printShadowed("News", x, y, 2, AlignLeft, newsScale, 255, 255, 255, 255, mediumFont);
    for (const std::string& line : newsLines()) {
        bool blank = line.empty() || line == " ";
        y += blank ? step * shortLineShare : step;
        printShadowed(line, x, y, 2, AlignLeft, newsScale, 255, 255, 255, 255, mediumFont);
    }
}

// ---- the screen ----

static IntRect iconRect(const SiteIcon& icon) {
    float s = menuBottomStep(), side = s + icon.extra;
    return getAnchoredRect(screenW() - icon.offset * s, screenH() - s, side, side, AnchorCentre);
}

std::vector<HitArea> menuHitAreas() {
    std::vector<HitArea> areas = menuRowAreas(menuRows, menuRowCount);
    for (const SiteIcon& icon : siteIcons) areas.push_back({icon.item, iconRect(icon)});
    return areas;
}

static int32_t hoveredMenuItem() {
    int32_t row = hoveredMenuRow(menuRows, menuRowCount), icon = 0;
    for (const SiteIcon& site : siteIcons)
        if (itemHovered(site.item, iconRect(site)) && !icon) icon = site.item;
    return icon ? icon : row;
}

void UpdateMenu(float dtMs) {
    ProfileScope section("UpdateMenu");
    menuFrameCounter = (menuFrameCounter + 1) % framesPerCycle;
    menuAngle = std::fmod(menuAngle + dtMs / angleDivisor, fullTurn);
    play.startDelay = 0.0f;
    startMusicLoops();
    hoverItem = hoveredMenuItem();
}

void renderMenu() {
    ProfileScope section("renderMenu");
    renderMenuBase();
    if (newsEnabled != 0) renderNewsPanel();
    drawMenuRows(menuRows, menuRowCount, hoverItem);
    float s = menuBottomStep();
    for (const SiteIcon& icon : siteIcons) {
        float side = s + icon.extra;
        Render2D({screenW() - icon.offset * s, screenH() - s}, {side, side}, AnchorCentre,
                 icon.texture, 255.0f);
        if (hoverItem == icon.item) drawMenuDescription(icon.description);
    }
}

void clickMenu(int32_t item) {
    switch (item) {
        case ItemStartGame:
            GameState = MenuToGametype;
            break;
        case ItemSwitchPlayer:
            loginStep = 1;
            GameState = MenuToLogin;
            break;
        case ItemRanking:
            selectRankingCategory(modeState.gameMode);
            GameState = MenuToRanking;
            break;
        case ItemAchievements:
            showFirstAchievesPage();
            GameState = MenuToAchieves;
            break;
        case ItemOptions:
            // The running window keeps its size: only a restart changes it.
            reloadSettingsKeepingWindow();
            GameState = MenuToOptions;
            break;
        case ItemCredits:
            GameState = MenuToCredits;
            break;
        case ItemQuit:
            GameState = Exiting;
            break;
        default:
            for (const SiteIcon& icon : siteIcons)
                if (icon.item == item) platformOpenUrl(*icon.url);
    }
}
