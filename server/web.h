// The small web site on the game server: world ranking pages and the account
// help page that the game's links open.
#pragma once

#include <string>

#include "server/context.h"

std::string indexPageHtml();
// One page of a category's ranking (`category` 0..6), with links to its neighbours.
std::string rankingPageHtml(ServerContext& context, int category, long long offset);
std::string accountHelpPageHtml();
// A player's latest replays with their verdicts, and one replay's figures.
std::string playerReplaysPageHtml(ServerContext& context, long long userId);
std::string replayPageHtml(ServerContext& context, long long replayId);
// Text made safe inside HTML.
std::string escapeHtml(const std::string& text);
