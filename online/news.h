// News: fetched after a successful login when the server has some, retried
// on every failed transfer, and shown by the main menu.
#pragma once

#include <cstdint>
#include <string>

extern int32_t newsEnabled;    // token 5 of the login reply; non-zero fetches and shows news
extern std::string newsReply;  // reply buffer of news.php
extern std::string newsText;   // the news the menu shows; "" while loading

// Queues news.php into a cleared newsReply.
void queueNews();
// Kind 8: the text on success; a failed transfer asks again while news are on.
void handleNewsReply(int32_t result);
