// HTML pages of the game server's web site.
#include "server/web.h"

#include <vector>

#include "server/scores.h"

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

static std::string rankingTable(const std::vector<RankingRow>& rows) {
    std::string table = "<table><tr><th>Rank</th><th>Name</th><th>Skillpoints</th></tr>\n";
    for (const RankingRow& row : rows) {
        table += "<tr><td>" + std::to_string(row.rank) + "</td><td>" + escapeHtml(row.name) +
                 "</td><td>" + std::to_string(row.skillpoints) + "</td></tr>\n";
    }
    return table + "</table>\n";
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
    std::string body = categoryLinks(category);
    body += rows.empty() ? "<p>No one is ranked here yet.</p>\n" : rankingTable(rows);
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
