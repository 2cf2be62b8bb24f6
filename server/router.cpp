// Routing of decoded requests to their handlers.
#include "server/router.h"

#include <algorithm>
#include <ctime>

#include "protocol/encodings.h"
#include "server/accounts.h"
#include "server/achievements.h"
#include "server/log.h"
#include "server/query.h"
#include "server/ranking.h"
#include "server/releases.h"
#include "server/replay_verifier.h"
#include "server/replays.h"
#include "server/scores.h"
#include "server/seeds.h"

// Only the endpoint part of a refused request is logged: the rest may hold a password.
static const size_t loggedNameLength = 40;

// A stored replay wakes the verifier's workers.
static std::string replyAndWake(ServerContext& context, const ParsedRequest& parsed,
                                const std::string& body, const std::string& address,
                                bool& tryLater) {
    std::string reply = replyReplay(context, parsed, body, address, tryLater);
    if (reply == "success") wakeReplayVerifier();
    return reply;
}

static std::string dispatch(ServerContext& context, const ParsedRequest& parsed,
                            const std::string& request, const std::string& address,
                            const std::vector<std::string>& replayKeys, const std::string& body,
                            bool& tryLater) {
    const std::string& name = parsed.endpoint;
    if (name == "replay.php") return replyAndWake(context, parsed, body, address, tryLater);
    if (!body.empty()) {
        logBadInput("request with a body from " + address + " for \"" + name + "\" refused");
        return "fail";
    }
    if (name == "which_server.php") return replyWhichServer(context);
    if (name == "news.php") return replyNews(context);
    if (name == "login.php") return replyLogin(context, parsed, address, replayKeys);
    if (name == "logout.php") return replyLogout(context, parsed);
    if (name == "checkname.php") return replyCheckName(context, parsed);
    if (name == "reg.php") return replyRegister(context, parsed, address);
    if (name == "highscore.php") return replyHighscore(context, parsed);
    if (name == "score.php") return replyScore(context, parsed, request, address);
    if (name == "death.php") return replyDeath(context, parsed, request, address);
    if (name == "world_ranking_staggered.php") return replyRanking(context, parsed);
    if (name == "client_cheeve.php") return replyClientCheeve(context, parsed, address);
    if (name == "sync_cheeves.php") return replySyncCheeves(context, parsed, address);
    if (name == "seeds.php") return replySeeds(context, parsed, address);
    return "fail";
}

std::string routeRequest(ServerContext& context, const std::string& request,
                         const std::string& address, const std::vector<std::string>& replayKeys,
                         const std::string& body, bool* tryLater) {
    ParsedRequest parsed;
    bool later = false;
    if (parseRequest(request, parsed)) {
        std::string reply = dispatch(context, parsed, request, address, replayKeys, body, later);
        if (tryLater) *tryLater = later;
        return reply;
    }
    std::string name = request.substr(0, std::min(request.find('?'), loggedNameLength));
    logBadInput("malformed request from " + address + " for \"" + name + "\"");
    return "fail";
}

Reply handleSecureData(ServerContext& context, const std::string& data, const std::string& address,
                       const std::string& body) {
    Reply reply;
    std::string request, reason;
    std::vector<std::string> blockKeys;
    if (!decodeSecureData(context.key, data, request, reason, &blockKeys)) {
        logBadInput("secure request from " + address + ": " + reason);
        reply.text = "fail";
    } else if (!body.empty() ||
               !openPublishedPatch(context, request, reply.fileFd, reply.fileSize)) {
        reply.text = routeRequest(context, request, address, blockKeys, body, &reply.tryLater);
    }
    return reply;
}
