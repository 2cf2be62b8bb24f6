// zentrix-server-players: many simulated players, each with its own libcurl
// multi handle as the game drives it (finished connections stay in the
// handle's cache, open and idle, between requests). Each player logs in,
// synchronises its achievements, reads the news and plays a few levels
// (highscore, then score). Reports how many players finished, how many would
// have fallen back to offline mode (login failing four times), and the
// latency of every request after the registration.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "protocol/encodings.h"

using Clock = std::chrono::steady_clock;

static const long requestTimeoutSeconds = 5;  // the game's time-out for these requests
// Registration is the set-up, not the scenario: it may wait for its slow hash.
static const long registerTimeoutSeconds = 30;
static const long connectTimeoutSeconds = 5;
static const int loginAttempts = 4;  // the first and three retries, then offline mode
static const int levelsPlayed = 5;
static const int pumpPauseMs = 10;

enum class Step { Register, Login, Sync, News, Highscore, Score, Done };

struct Player {
    int index = 0;
    std::string name, password, address, userId;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;  // the transfer in flight, if any
    curl_slist* headers = nullptr;
    std::string reply;
    Step step = Step::Register;
    int loginFailures = 0, level = 1;
    bool failed = false, offline = false;
    Clock::time_point sent;
    Clock::time_point arrival;  // when this player starts the game
};

static size_t appendToReply(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

static std::string requestFor(const Player& player) {
    std::string digest = md5Hex(player.password);
    std::string account = "&userid=" + player.userId + "&passwordHash=" + digest;
    switch (player.step) {
        case Step::Register:
            return "reg.php?beta=1&username=" + player.name + "&passwordHash=" + digest +
                   "&password=" + player.password + "&email=player@example.com";
        case Step::Login:
            return "login.php?version=rc2&build=direct&platform=&username=" + player.name +
                   "&password=" + player.password +
                   "&glversion=4.5&videocard=llvmpipe&manufacturer=Mesa&res=1280x720"
                   "&gameversion=Version 1.0.0.0&os=Debian&ram=8000&cpu=bench&mac=";
        case Step::Sync:
            return "sync_cheeves.php?userid=" + player.userId + "&passwordHash=" + digest;
        case Step::News:
            return "news.php";
        case Step::Highscore:
            return "highscore.php?gamemode=2&level=" + std::to_string(player.level) +
                   "&username=" + player.name + "&userid=" + player.userId;
        default:
            return "score.php?gamemode=2&level=" + std::to_string(player.level) +
                   "&score=" + std::to_string(4000 + player.index * 3 + player.level) +
                   "&time=95&apm=60&controls=0&drops=40&rotates=12&pup1earned=1&pup2earned=1"
                   "&pup3earned=0&pup1used=1&pup2used=0&pup3used=0&kills=120&performance=4"
                   "&sessionhash=20240101120000run" +
                   std::to_string(player.index) + account;
    }
}

static void startRequest(Player& player, const std::string& base) {
    player.reply.clear();
    player.easy = curl_easy_init();
    std::string url = base + makeSecureUrl(requestFor(player)).substr(secureBaseUrl.size());
    curl_easy_setopt(player.easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(player.easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(player.easy, CURLOPT_WRITEFUNCTION, appendToReply);
    curl_easy_setopt(player.easy, CURLOPT_WRITEDATA, &player.reply);
    curl_easy_setopt(
        player.easy, CURLOPT_TIMEOUT,
        player.step == Step::Register ? registerTimeoutSeconds : requestTimeoutSeconds);
    curl_easy_setopt(player.easy, CURLOPT_CONNECTTIMEOUT, connectTimeoutSeconds);
    curl_easy_setopt(player.easy, CURLOPT_HTTPHEADER, player.headers);
    curl_multi_add_handle(player.multi, player.easy);
    player.sent = Clock::now();
}

// Whether the reply is the one the game goes on with.
static bool acceptReply(Player& player) {
    std::istringstream words(player.reply);
    std::string first, second;
    words >> first >> second;
    switch (player.step) {
        case Step::Register:
            return first == "success";
        case Step::Login:
            player.userId = second;
            return first == "success";
        case Step::News:
            return true;
        default:
            return !player.reply.empty() && player.reply != "fail";
    }
}

static void advance(Player& player) {
    switch (player.step) {
        case Step::Register:
            player.step = Step::Login;
            break;
        case Step::Login:
            player.step = Step::Sync;
            break;
        case Step::Sync:
            player.step = Step::News;
            break;
        case Step::News:
            player.step = Step::Highscore;
            break;
        case Step::Highscore:
            player.step = Step::Score;
            break;
        default:
            player.step = ++player.level > levelsPlayed ? Step::Done : Step::Highscore;
    }
}

// Handles a finished transfer; the game's rules: a failed login is retried up to three times.
static void finishTransfer(Player& player, CURLcode result, std::vector<double>& latencies) {
    latencies.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - player.sent).count());
    curl_multi_remove_handle(player.multi, player.easy);
    curl_easy_cleanup(player.easy);
    player.easy = nullptr;
    bool transferred = result == CURLE_OK;
    if (player.step == Step::Login && !transferred) {
        if (++player.loginFailures >= loginAttempts) {
            player.offline = true;
            player.step = Step::Done;
        }
        return;
    }
    if (!transferred || !acceptReply(player)) {
        std::cerr << "player " << player.index << ": " << curl_easy_strerror(result) << " \""
                  << player.reply.substr(0, 40) << "\"\n";
        player.failed = true;
        player.step = Step::Done;
        return;
    }
    advance(player);
}

static void pump(Player& player, const std::string& base, std::vector<double>& latencies,
                 Clock::time_point now) {
    if (player.step == Step::Done || now < player.arrival) return;
    if (player.easy == nullptr) startRequest(player, base);
    int running = 0;
    curl_multi_perform(player.multi, &running);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(player.multi, &queued)) {
        if (message->msg == CURLMSG_DONE) finishTransfer(player, message->data.result, latencies);
    }
}

static double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()))];
}

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: zentrix-server-players http://HOST:PORT PLAYERS [ARRIVAL_MS]\n";
        return 2;
    }
    // Players arrive one after another: every new account costs two slow password hashes.
    int arrivalMs = argc == 4 ? std::atoi(argv[3]) : 80;
    std::string base = std::string(argv[1]) + "/secure.php?data=";
    int count = std::atoi(argv[2]);
    secureBaseUrl = "/secure.php?data=";
    curl_global_init(CURL_GLOBAL_ALL);
    unsigned stamp = std::random_device()() % 100000;
    std::vector<Player> players(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Player& player = players[static_cast<size_t>(i)];
        player.index = i;
        player.name = "p" + std::to_string(stamp) + "_" + std::to_string(i);
        player.password = "pass" + std::to_string(i);
        player.address = "10.1." + std::to_string(i / 256) + "." + std::to_string(i % 256);
        player.headers = curl_slist_append(nullptr, ("X-Forwarded-For: " + player.address).c_str());
        player.multi = curl_multi_init();
    }
    std::vector<double> latencies;
    Clock::time_point start = Clock::now();
    for (Player& player : players)
        player.arrival = start + std::chrono::milliseconds(arrivalMs) * player.index;
    for (bool busy = true; busy;) {
        busy = false;
        Clock::time_point now = Clock::now();
        for (Player& player : players) {
            pump(player, base, latencies, now);
            busy = busy || player.step != Step::Done;
        }
        // Like a frame loop: each handle is pumped once per round.
        std::this_thread::sleep_for(std::chrono::milliseconds(pumpPauseMs));
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    int finished = 0, failed = 0, offline = 0;
    for (Player& player : players) {
        finished += !player.failed && !player.offline;
        failed += player.failed;
        offline += player.offline;
        curl_multi_cleanup(player.multi);
        curl_slist_free_all(player.headers);
    }
    std::cout << "players " << count << ", finished " << finished << ", failed " << failed
              << ", offline " << offline << ", seconds " << seconds << "\n"
              << "requests " << latencies.size() << ", latency ms p50 "
              << percentile(latencies, 0.5) << " p99 " << percentile(latencies, 0.99) << " max "
              << percentile(latencies, 1.0) << "\n";
    curl_global_cleanup();
    return failed == 0 && offline == 0 ? 0 : 1;
}
