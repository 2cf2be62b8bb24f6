#include "online/ranking.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>

#include "base/profiler.h"
#include "online/account.h"
#include "online/requests.h"
#include "platform/system.h"

int32_t rankingCategory = overallCategory;
int32_t rankingOffset = 0;
bool rankingPending = false;
bool rankingAtEnd = false;
std::deque<RankingPage> rankingPages;
std::vector<std::string> rankingRows;
int32_t rankingScroll = 0;
bool findingMe = false;
bool findMeUnranked = false;
size_t pageCursor = 0;
std::string rankingReply;

static const char* const rowEnd = "\r\n";
static constexpr size_t rowEndLength = 2;
static constexpr size_t headerCountAt = 7;  // the header's row count starts here
static constexpr size_t endMarkAt = 2;      // "EOF" stands here
static constexpr size_t rowFieldCount = 6;
static constexpr int32_t findMeRowPlace = 4;  // the found row shows fifth

// Rows "Find Me" has already looked at: rows are only ever appended.
static size_t rowsSearched = 0;

const char* rankingCategoryName(int32_t category) {
    static const char* const names[] = {"Overall", "Casual",   "Normal",    "Expert",
                                        "Rush",    "Survival", "Meditation"};
    if (category < overallCategory || category > lastRankingCategory) return "";
    return names[category];
}

void selectRankingCategory(int32_t category) {
    rankingCategory = std::clamp(category, overallCategory, lastRankingCategory);
    rankingOffset = 0;
    rankingAtEnd = false;
    rankingPages.clear();
    rankingRows.clear();
    pageCursor = 0;
    rankingScroll = 0;
    rowsSearched = 0;
    findingMe = findMeUnranked = false;
}

void startFindMe() {
    findingMe = true;
    findMeUnranked = false;
    rowsSearched = 0;
}

void requestNextRankingPage() {
    if (rankingAtEnd || rankingPending || serverLink.connectionMode == ConnectionOffline) return;
    rankingPending = true;
    rankingReply.clear();
    queueRequest("world_ranking_staggered.php?gamemode=" + std::to_string(rankingCategory) +
                     "&offset=" + std::to_string(rankingOffset),
                 &rankingReply, RankingRequest, rankingPageSeconds);
}

// A character read as a number: its digit, 0 for anything else.
static int32_t digitValue(char c) {
    return isdigit(static_cast<unsigned char>(c)) ? c - '0' : 0;
}

void handleRankingReply(int32_t result) {
    rankingPending = false;
    if (result != 0 || rankingReply.empty()) return;
    // Pages of a category the player has left are dropped.
    if (digitValue(rankingReply[0]) != rankingCategory) return;
    if (rankingReply.size() >= endMarkAt + 3 && rankingReply.compare(endMarkAt, 3, "EOF") == 0) {
        rankingAtEnd = true;
        return;
    }
    size_t headerEnd = rankingReply.find(rowEnd);
    if (headerEnd == std::string::npos) headerEnd = rankingReply.size();
    std::string count = headerEnd > headerCountAt
                            ? rankingReply.substr(headerCountAt, headerEnd - headerCountAt)
                            : "";
    // A count no page could hold cannot push the offset past the largest number.
    long long rows = std::clamp(std::strtoll(count.c_str(), nullptr, 10), 0LL, 1LL << 31);
    rankingOffset = static_cast<int32_t>(std::min<long long>(INT32_MAX, rankingOffset + rows));
    if (headerEnd + rowEndLength < rankingReply.size())
        rankingPages.push_back({rankingCategory, rankingReply.substr(headerEnd + rowEndLength)});
}

// Cuts one row off the first page; false once the page is used up and dropped.
static bool cutOneRow() {
    RankingPage& page = rankingPages.front();
    size_t end = page.text.find(rowEnd, pageCursor);
    if (page.category != rankingCategory || end == std::string::npos) {
        rankingPages.pop_front();
        pageCursor = 0;
        return false;
    }
    rankingRows.push_back(page.text.substr(pageCursor, end - pageCursor));
    pageCursor = end + rowEndLength;
    return true;
}

int32_t cutRankingPages(double budgetMs) {
    ProfileScope section("cutRankingPages");
    uint64_t start = platformCounter();
    int32_t cut = 0;
    while (!rankingPages.empty()) {
        if (cutOneRow()) cut++;
        if (platformMsSince(start) >= budgetMs) break;
    }
    return cut;
}

static std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

int32_t lastRankingScroll() {
    return std::max(0, static_cast<int32_t>(rankingRows.size()) - rankingVisibleRows);
}

void scrollRankingTo(int32_t first) {
    rankingScroll = std::clamp(first, 0, lastRankingScroll());
}

bool findMyRankingRow(const std::string& userId) {
    std::string me = lowerCase(userId);
    for (size_t i = rowsSearched; i < rankingRows.size(); i++, rowsSearched++) {
        if (lowerCase(rankingRowFields(rankingRows[i]).userId) != me) continue;
        findingMe = false;
        scrollRankingTo(static_cast<int32_t>(i) - findMeRowPlace);
        return true;
    }
    // Nothing more will arrive: the player has no row in this category.
    if (rankingAtEnd && rankingPages.empty()) {
        findingMe = false;
        findMeUnranked = true;
    }
    return false;
}

RankingRow rankingRowFields(const std::string& row) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        size_t comma = row.find(',', start);
        fields.push_back(row.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (fields.size() != rowFieldCount) return {false, "Error", "Error", ""};
    return {true, fields[1], fields[3], fields[4]};
}
