#include "online/news.h"

#include "base/console_log.h"
#include "online/requests.h"
#include "platform/system.h"

int32_t newsEnabled = 0;
std::string newsReply;
std::string newsText;
uint32_t newsRetryMs = 0;
uint32_t newsRetryAt = 0;

static void sendNewsRequest() {
    newsReply.clear();
    queueRequest("news.php", &newsReply, NewsRequest, shortRequestSeconds);
}

void queueNews() {
    newsRetryMs = newsRetryAt = 0;
    sendNewsRequest();
}

// A server that cannot answer is not asked again every frame: each failure
// doubles the wait, up to a minute.
static void scheduleRetry() {
    newsRetryMs = nextRetryWaitMs(newsRetryMs, firstNewsRetryMs, longestNewsRetryMs);
    newsRetryAt = retryTickAfter(platformTicksMs(), newsRetryMs);
    logConsole("News request failed; asking again in " + std::to_string(newsRetryMs / 1000) + " s");
}

void handleNewsReply(int32_t result) {
    if (result == 0) {
        newsText = newsReply;
        newsRetryMs = newsRetryAt = 0;
        return;
    }
    newsReply.clear();
    if (newsEnabled != 0) scheduleRetry();
}

void retryNewsWhenDue(uint32_t nowMs) {
    if (newsRetryAt == 0 || newsEnabled == 0) return;
    if (static_cast<int32_t>(nowMs - newsRetryAt) < 0) return;
    newsRetryAt = 0;
    sendNewsRequest();
}
