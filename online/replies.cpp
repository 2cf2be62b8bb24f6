#include "online/replies.h"

#include "base/profiler.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/news.h"
#include "online/patch.h"
#include "online/ranking.h"
#include "online/scores.h"
#include "online/seeds.h"
#include "online/unsent_results.h"
#include "online/watch.h"
#include "platform/system.h"

void curlprocess() {
    ProfileScope section("curlprocess");
    if (curlMulti) {
        for (const FinishedTransfer& transfer : pumpTransfers()) {
            bool answered = transfer.result == CURLE_OK && transfer.reply;
            if (answered && transfer.httpStatus < firstServerErrorStatus)
                noteServerAnswered(transfer.reply);
            replyHttpStatus = transfer.httpStatus;
            dispatchReply(transfer.kind, transfer.result, transfer.reply);
            replyHttpStatus = 0;
        }
        retryNewsWhenDue(platformTicksMs());
        sendUnsentResults(platformTicksMs());
    }
    trimRequestLog();
}

void dispatchReply(int32_t kind, int32_t result, std::string* reply) {
    if (!reply) return;
    switch (kind) {
        case LoginRequest:
            handleLoginReply(result);
            break;
        case HighscoreRequest:
            handleHighscoreReply(result);
            break;
        case ScoreRequest:
            // The level on its result screen reads scoreReply; every score is a kept result.
            if (reply == &scoreReply) handleScoreReply(result);
            handleUnsentReply(kind, result, reply);
            requestHeldBackSeeds();
            break;
        case PatchRequest:
            handlePatchReply(result);
            break;
        case CheeveRequest:
            handleCheeveReply(result);
            break;
        case SyncCheevesRequest:
            handleSyncCheevesReply(result);
            break;
        case NewsRequest:
            handleNewsReply(result);
            break;
        case RankingRequest:
            handleRankingReply(result);
            break;
        case ReplayRequest:
            handleUnsentReply(kind, result, reply);
            requestHeldBackSeeds();
            break;
        case SeedsRequest:
            handleSeedsReply(result);
            break;
        case WatchListRequest:
            handleWatchListReply(result);
            break;
        case WatchFileRequest:
            handleWatchFileReply(result);
            break;
        default:
            break;
    }
}
