#include "screens/curl_console.h"

#include "base/profiler.h"
#include "engine/fonts.h"
#include "online/requests.h"
#include "protocol/encodings.h"
#include "settings/settings.h"

static constexpr float leftShare = 0.01f, topShare = 0.03f, rowFontHeights = 4.0f;
static constexpr float lineScale = 0.75f, white = 255.0f, lineAlpha = 230.0f;

std::string curlConsoleLine(size_t row) {
    if (row >= requestLog.size()) return "";
    const HttpRequest& request = requestLog[row];
    // The public routes are plain addresses below the server's, not secure requests.
    bool publicRoute = request.kind == WatchListRequest || request.kind == WatchFileRequest;
    return (publicRoute ? publicBaseUrl() : secureBaseUrl) + request.url;
}

void renderCurlConsole() {
    ProfileScope section("renderCurlConsole");
    float x = ScreenWidth * leftShare, top = ScreenHeight * topShare;
    for (size_t row = 0; row < requestLog.size(); row++) {
        float y = top + row * rowFontHeights * smallFont.h;
        freetype::print(curlConsoleLine(row), x, y, AlignLeft, lineScale, white, white, white,
                        lineAlpha, smallFont);
    }
}
