// The world ranking as the Ranking screen pages through it: one category at
// a time, one page request in flight until the server says "EOF", the pages
// cut into row texts within a time budget each frame, and "Find Me".
//
// Every category change empties the lists and starts again from offset 0.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// A received page not yet cut into rows, tagged with the category it answers.
struct RankingPage {
    int32_t category;
    std::string text;  // the rows after the header, each ending CR LF
};

// What the screen shows of one row: fields 1, 3 and 4 of six.
struct RankingRow {
    bool valid;  // exactly six fields; otherwise the row shows "Error"
    std::string name;
    std::string skillpoints;
    std::string userId;
};

extern int32_t rankingCategory;               // 0 Overall, 1..6 the game modes
extern int32_t rankingOffset;                 // rows requested so far; the next page starts here
extern bool rankingPending;                   // a page request is in flight
extern bool rankingAtEnd;                     // the server said "EOF" for this category
extern std::deque<RankingPage> rankingPages;  // received, not yet cut
extern std::vector<std::string> rankingRows;  // row texts in received order
extern int32_t rankingScroll;                 // index of the first row shown
extern bool findingMe;                        // "Find Me" is searching
extern bool findMeUnranked;                   // "Find Me" read every row without the player
extern size_t pageCursor;                     // where cutting stands in the first page
extern std::string rankingReply;              // reply buffer of world_ranking_staggered.php

constexpr int32_t overallCategory = 0;
constexpr int32_t lastRankingCategory = 6;
constexpr int32_t rankingVisibleRows = 10;
constexpr int32_t rankingPageSeconds = 20;
constexpr double rowCuttingBudgetMs = 10.0;

// "Overall", "Casual" ... "Meditation"; "" outside 0..6.
const char* rankingCategoryName(int32_t category);
// Shows category (clamped to 0..6) from its first row: the lists are emptied.
void selectRankingCategory(int32_t category);
// Asks for the next page unless one is in flight or the category has ended.
void requestNextRankingPage();
// Kind 9.
void handleRankingReply(int32_t result);
// Cuts received pages into rows until none is left or budgetMs has passed;
// returns the number of rows cut.
int32_t cutRankingPages(double budgetMs);
// "Find Me": the search runs from the first row.
void startFindMe();
// While "Find Me" searches: the first row of userId, placed fifth of the ten
// shown when the list allows; true when found. Once the category has ended and
// every row was read without it, the search stops with findMeUnranked set.
bool findMyRankingRow(const std::string& userId);
// Sets rankingScroll, held within 0 .. row count − 10.
void scrollRankingTo(int32_t first);
int32_t lastRankingScroll();
// The fields of a row text.
RankingRow rankingRowFields(const std::string& row);
