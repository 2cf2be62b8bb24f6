// The public routes of verified replays, which the game's Ranking screen uses
// to watch the best runs: a player's verified runs in a ranking category, and
// one verified replay's file. Like the web ranking they need no secure
// request; a replay not verified, or whose player was removed, is not there.
#pragma once

#include <string>

#include "server/context.h"

// What one of these routes answers.
struct PublicReply {
    int status = 200;     // HTTP status
    bool binary = false;  // `text` is a replay file's bytes
    std::string text;
};

// Answers GET /players/ID/replays?category=C (lines "id,mode,level,score,date",
// each ending CR LF, best score first) and GET /replays/ID.zxr (the file);
// false when `path` is neither route.
bool answerReplayFileRoute(ServerContext& context, const std::string& path, long long category,
                           PublicReply& reply);
