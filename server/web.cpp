// HTML pages of the game server's web site.
#include "server/web.h"

#include <vector>

#include "server/ranking.h"
#include "server/replays.h"

static const char* const categoryNames[] = {"Overall", "Casual",   "Normal",    "Expert",
                                            "Rush",    "Survival", "Meditation"};
static const int categoryCount = 7;
static const int webPageRows = 50;

std::string escapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

static std::string pageFrame(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + escapeHtml(title) +
           "</title><style>body{font-family:sans-serif;background:#0b0f1a;color:#e8ecf4;"
           "margin:2em auto;max-width:46em}a{color:#7fc8ff}table{border-collapse:collapse;"
           "width:100%}td,th{padding:.3em .6em;border-bottom:1px solid #263046;text-align:left}"
           ".ok{color:#6fdc6f}.part{color:#9aa4b8}table.figures{width:auto}"
           "</style></head><body><h1>" +
           escapeHtml(title) + "</h1>\n" + body +
           "<p><a href=\"/\">Zentrix</a> &middot; <a href=\"/ranking\">World ranking</a>"
           " &middot; <a href=\"/account\">Account help</a></p></body></html>\n";
}

std::string indexPageHtml() {
    return pageFrame("Zentrix game server",
                     "<p>This server keeps Zentrix accounts, scores, rankings and achievements."
                     " The game talks to it by itself; these pages are for people.</p>\n");
}

static std::string categoryLinks(int current) {
    std::string links = "<p>";
    for (int category = 0; category < categoryCount; ++category) {
        if (category > 0) links += " &middot; ";
        std::string name = categoryNames[category];
        links += category == current ? "<b>" + name + "</b>"
                                     : "<a href=\"/ranking?category=" + std::to_string(category) +
                                           "\">" + name + "</a>";
    }
    return links + "</p>\n";
}

static const int listedReplays = 50;

// The mark beside skillpoints that verified replays back, all or in part.
static std::string verifiedMark(long long skillpoints, long long verified) {
    if (verified <= 0 || skillpoints <= 0) return "";
    if (verified >= skillpoints) {
        return " <span class=\"ok\" title=\"All of these skillpoints come from verified"
               " replays\">&#10003;</span>";
    }
    return " <span class=\"part\" title=\"" + std::to_string(verified) +
           " of these skillpoints"
           " come from verified replays\">(&#10003;)</span>";
}

static std::string playerLink(long long userId, const std::string& name) {
    return "<a href=\"/replays?user=" + std::to_string(userId) + "\">" + escapeHtml(name) + "</a>";
}

// The mark beside skillpoints for what waits for replays to be verified.
static std::string pendingMark(long long pending) {
    if (pending <= 0) return "";
    return " <span class=\"part\" title=\"These points count once their replays are"
           " verified\">+" +
           std::to_string(pending) + " pending</span>";
}

static std::string modeName(int mode) {
    return mode > 0 && mode < categoryCount ? categoryNames[mode] : "?";
}

// The player's best verified run in the category, linked to its replay page.
static std::string bestRunCell(const StoredReplay& run) {
    if (run.id == 0) return "<td></td>";
    return "<td><a href=\"/replay?id=" + std::to_string(run.id) + "\">" + modeName(run.mode) +
           " level " + std::to_string(run.level) + ": " + std::to_string(run.score) + "</a></td>";
}

// Per row: `marks`, the verified points (when unverified results count) or
// the pending points (when only verified ones do), and the best verified run.
static std::string rankingTable(const std::vector<RankingRow>& rows,
                                const std::vector<long long>& marks,
                                const std::vector<StoredReplay>& bestRuns, bool countsUnverified) {
    std::string table =
        "<table><tr><th>Rank</th><th>Name</th><th>Skillpoints</th><th>Best verified run</th>"
        "</tr>\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const RankingRow& row = rows[i];
        std::string mark =
            countsUnverified ? verifiedMark(row.skillpoints, marks[i]) : pendingMark(marks[i]);
        table += "<tr><td>" + std::to_string(row.rank) + "</td><td>" +
                 playerLink(row.userId, row.name) + "</td><td>" + std::to_string(row.skillpoints) +
                 mark + "</td>" + bestRunCell(bestRuns[i]) + "</tr>\n";
    }
    return table + "</table>\n";
}

static std::string rankingBody(ServerContext& context, int category,
                               const std::vector<RankingRow>& rows) {
    bool unverified = context.countUnverifiedResults;
    std::string body = unverified ? "<p>Results count here before their replay is verified.</p>\n"
                                  : "<p>Only results whose replay was verified count here.</p>\n";
    if (rows.empty()) return body + "<p>No one is ranked here yet.</p>\n";
    std::vector<long long> marks = unverified ? verifiedPointsOf(context.database, category, rows)
                                              : pendingPointsOf(context.database, category, rows);
    std::vector<long long> userIds;
    for (const RankingRow& row : rows) userIds.push_back(row.userId);
    std::vector<StoredReplay> bestRuns = bestVerifiedRunsOf(context.database, category, userIds);
    return body + rankingTable(rows, marks, bestRuns, unverified);
}

static std::string pageLink(int category, long long offset, const char* label) {
    return "<a href=\"/ranking?category=" + std::to_string(category) +
           "&amp;offset=" + std::to_string(offset) + "\">" + label + "</a> ";
}

std::string rankingPageHtml(ServerContext& context, int category, long long offset) {
    if (category < 0 || category >= categoryCount) category = 0;
    if (offset < 0) offset = 0;
    std::vector<RankingRow> rows;
    if (!rankingPage(context.database, category, offset, webPageRows + 1, rows)) {
        return pageFrame("World ranking", "<p>The ranking cannot be read right now.</p>\n");
    }
    bool hasMore = rows.size() > static_cast<size_t>(webPageRows);
    if (hasMore) rows.pop_back();
    std::string body = categoryLinks(category) + rankingBody(context, category, rows);
    body += "<p>";
    if (offset > 0) body += pageLink(category, std::max(0LL, offset - webPageRows), "Previous");
    if (hasMore) body += pageLink(category, offset + webPageRows, "Next");
    body += "</p>\n";
    return pageFrame(std::string("World ranking: ") + categoryNames[category], body);
}

std::string accountHelpPageHtml() {
    return pageFrame(
        "Account help",
        "<p>Your Zentrix profile is made inside the game: choose <i>Create a New Profile</i>"
        " on the login screen, pick a name of at least 4 characters (letters, digits, spaces"
        " and <code>@ - _ .</code>) and a password of at least 4 characters.</p>\n"
        "<p>Names are unique regardless of upper and lower case. The game remembers your"
        " password for you; the server keeps only a salted slow hash of it.</p>\n"
        "<p>After a few wrong passwords from one place, each further try from there has to"
        " wait longer (up to a quarter of an hour); your own computer elsewhere is not"
        " held up.</p>\n"
        "<p>If you have lost your password, write to this server's operator from the email"
        " address you gave when you registered; the operator can help you recover the"
        " profile.</p>\n");
}

static std::string replayRow(const StoredReplay& replay) {
    return "<tr><td><a href=\"/replay?id=" + std::to_string(replay.id) + "\">" +
           std::to_string(replay.id) + "</a></td><td>" + modeName(replay.mode) + "</td><td>" +
           std::to_string(replay.level) + "</td><td>" + std::to_string(replay.score) + "</td><td>" +
           escapeHtml(replay.state) + "</td></tr>\n";
}

std::string playerReplaysPageHtml(ServerContext& context, long long userId) {
    std::vector<StoredReplay> replays;
    if (!replaysOfPlayer(context.database, userId, listedReplays, replays))
        return pageFrame("Replays", "<p>The replays cannot be read right now.</p>\n");
    if (replays.empty()) return pageFrame("Replays", "<p>No replays from this player.</p>\n");
    std::string table =
        "<table><tr><th>Replay</th><th>Mode</th><th>Level</th><th>Score</th>"
        "<th>Verdict</th></tr>\n";
    for (const StoredReplay& replay : replays) table += replayRow(replay);
    return pageFrame("Replays of " + replays[0].userName, table + "</table>\n");
}

static std::string figureRow(const char* label, const std::string& value) {
    return "<tr><th>" + std::string(label) + "</th><td>" + value + "</td></tr>\n";
}

static std::string durationText(long long ms) {
    long long seconds = ms / 1000;
    std::string text = std::to_string(seconds / 60) + ":";
    std::string rest = std::to_string(seconds % 60);
    return text + (rest.size() < 2 ? "0" : "") + rest;
}

std::string replayPageHtml(ServerContext& context, long long replayId) {
    StoredReplay replay;
    if (!replayById(context.database, replayId, replay))
        return pageFrame("Replay", "<p>There is no such replay.</p>\n");
    bool judged = replay.state == "verified" || replay.state == "rejected";
    std::string table = "<table class=\"figures\">\n" +
                        figureRow("Player", playerLink(replay.userId, replay.userName)) +
                        figureRow("Mode", modeName(replay.mode)) +
                        figureRow("Level", std::to_string(replay.level)) +
                        figureRow("Submitted score", std::to_string(replay.score));
    if (judged) {
        table += figureRow("Replayed score", std::to_string(replay.replayedScore)) +
                 figureRow("Frames", std::to_string(replay.frames)) +
                 figureRow("Duration", durationText(replay.durationMs));
    }
    std::string verdict = escapeHtml(replay.state);
    if (!replay.reason.empty()) verdict += ": " + escapeHtml(replay.reason);
    table += figureRow("Verdict", verdict);
    // Only a verified replay's file is served.
    if (replay.state == "verified") {
        std::string file = "/replays/" + std::to_string(replay.id) + ".zxr";
        table += figureRow("File", "<a href=\"" + file + "\" download>Download the replay (" +
                                       file.substr(9) + ")</a>");
    }
    table += "</table>\n";
    return pageFrame("Replay " + std::to_string(replay.id), table);
}
