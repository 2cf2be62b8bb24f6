#include "online/news.h"

#include "online/requests.h"

int32_t newsEnabled = 0;
std::string newsReply;
std::string newsText;

void queueNews() {
    newsReply.clear();
    queueRequest("news.php", &newsReply, NewsRequest, shortRequestSeconds);
}

void handleNewsReply(int32_t result) {
    if (result == 0) {
        newsText = newsReply;
        return;
    }
    newsReply.clear();
    if (newsEnabled != 0) queueNews();
}
