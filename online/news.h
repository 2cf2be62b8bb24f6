// News: fetched after a successful login when the server has some, asked
// again after a failed transfer (waiting longer after each failure), and
// shown by the main menu.
#pragma once

#include <cstdint>
#include <string>

extern int32_t newsEnabled;    // token 5 of the login reply; non-zero fetches and shows news
extern std::string newsReply;  // reply buffer of news.php
extern std::string newsText;   // the news the menu shows; "" while loading
extern uint32_t newsRetryMs;   // wait before the next try after a failure; 0 while none failed
extern uint32_t newsRetryAt;   // platform tick at which the failed request goes again; 0 = none

// The first retry waits this long; each further failure doubles it up to the limit.
constexpr uint32_t firstNewsRetryMs = 1000;
constexpr uint32_t longestNewsRetryMs = 60000;

// Queues news.php into a cleared newsReply (a fresh login: no back-off).
void queueNews();
// Kind 8: the text on success; a failed transfer is asked again later
// while news are on.
void handleNewsReply(int32_t result);
// Called by every pump: sends the retry whose time has come.
void retryNewsWhenDue(uint32_t nowMs);
