// Worker threads and the checker processes they run.
#include "server/replay_verifier.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "server/log.h"

extern char** environ;

// A worker with nothing to do looks again this often (another server sharing
// a PostgreSQL database may have stored a replay).
static const int idlePollSeconds = 5;
static const size_t maxCheckerOutput = 4096;

static std::mutex verifierMutex;
static std::condition_variable verifierWake;
static bool verifierStopping = false;
static long long wakeCount = 0;  // bumped on every stored replay
static std::vector<std::thread> verifierWorkers;

static std::string programFolder() {
    char path[4096];
    ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    std::string text(path, static_cast<size_t>(length));
    return text.substr(0, text.rfind('/') + 1);
}

std::string defaultCheckerPath() {
    std::string folder = programFolder();
    return folder.empty() ? "" : folder + "zentrix-replay-check";
}

#ifndef ZENTRIX_SERVER_DATA_FROM_BIN
#define ZENTRIX_SERVER_DATA_FROM_BIN "../share/zentrix-server"
#endif

// Beside the program in a build folder; below the prefix's share/ when installed.
std::string defaultArchivePath() {
    std::string folder = programFolder();
    if (folder.empty()) return "";
    std::string built = folder + "data/assets.ass";
    if (::access(built.c_str(), R_OK) == 0) return built;
    return folder + ZENTRIX_SERVER_DATA_FROM_BIN + "/assets.ass";
}

// The replay goes through a private temporary file: the checker reads it as
// its standard input, so a checker that dies early breaks no pipe of ours.
static int replayInputFile(const std::string& body) {
    char name[] = "/tmp/zentrix-replay-XXXXXX";
    int fd = ::mkostemp(name, O_CLOEXEC);
    if (fd < 0) return -1;
    ::unlink(name);
    size_t written = 0;
    while (written < body.size()) {
        ssize_t n = ::write(fd, body.data() + written, body.size() - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    if (written != body.size() || ::lseek(fd, 0, SEEK_SET) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

static pid_t spawnChecker(const VerifierSettings& settings, const StoredReplay& replay, int input,
                          int output) {
    std::vector<std::string> words = {settings.checker,
                                      "--archive",
                                      settings.archive,
                                      std::to_string(replay.mode),
                                      std::to_string(replay.level),
                                      std::to_string(replay.score)};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    pid_t pid = -1;
    if (posix_spawn(&pid, settings.checker.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Reads the checker's output until it closes or the time is up; false on time-out.
static bool readUntilDone(int fd, int timeoutSeconds, std::string& output) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    char buffer[1024];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd ready = {fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) return true;
        if (output.size() < maxCheckerOutput) output.append(buffer, static_cast<size_t>(n));
    }
}

static std::string lineValue(const std::string& output, const std::string& key) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, key.size() + 1, key + " ") == 0) return line.substr(key.size() + 1);
    }
    return "";
}

// False when the output holds no verdict (the checker could not judge).
static bool parseVerdict(const std::string& output, ReplayVerdictRecord& verdict) {
    std::string said = lineValue(output, "verdict");
    if (said != "verified" && said != "rejected") return false;
    verdict.verified = said == "verified";
    verdict.reason = lineValue(output, "reason");
    verdict.replayedScore = std::strtoll(lineValue(output, "score").c_str(), nullptr, 10);
    verdict.frames = std::strtoll(lineValue(output, "frames").c_str(), nullptr, 10);
    verdict.durationMs = std::strtoll(lineValue(output, "duration_ms").c_str(), nullptr, 10);
    return true;
}

// A checker that died of a signal (a crash, its own memory or CPU limit) rejects the replay.
static bool verdictFromExit(int status, const std::string& output, ReplayVerdictRecord& verdict) {
    if (WIFSIGNALED(status)) {
        verdict = ReplayVerdictRecord();
        verdict.reason = "the checker ended on signal " + std::to_string(WTERMSIG(status));
        return true;
    }
    return parseVerdict(output, verdict);
}

bool runReplayChecker(const VerifierSettings& settings, const StoredReplay& replay,
                      ReplayVerdictRecord& verdict) {
    int pipeEnds[2];
    int input = replayInputFile(replay.body);
    if (input < 0 || ::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        if (input >= 0) ::close(input);
        return false;
    }
    pid_t pid = spawnChecker(settings, replay, input, pipeEnds[1]);
    ::close(input);
    ::close(pipeEnds[1]);
    std::string output;
    bool finished = pid > 0 && readUntilDone(pipeEnds[0], settings.timeoutSeconds, output);
    ::close(pipeEnds[0]);
    if (pid <= 0) return false;
    if (!finished) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (finished) return verdictFromExit(status, output, verdict);
    verdict = ReplayVerdictRecord();
    verdict.reason = "the check took longer than " + std::to_string(settings.timeoutSeconds) + " s";
    return true;
}

static void logVerdict(const StoredReplay& replay, const ReplayVerdictRecord& verdict) {
    std::string line = "replay " + std::to_string(replay.id) + " of user " +
                       std::to_string(replay.userId) + ", mode " + std::to_string(replay.mode) +
                       " level " + std::to_string(replay.level) + ": submitted " +
                       std::to_string(replay.score) + ", replayed " +
                       std::to_string(verdict.replayedScore) + ": ";
    logLine(line + (verdict.verified ? "verified" : "rejected, " + verdict.reason));
}

// Waits until a replay is stored, the poll time passes or the workers stop.
static bool waitForWork(long long& seen) {
    std::unique_lock<std::mutex> lock(verifierMutex);
    verifierWake.wait_for(lock, std::chrono::seconds(idlePollSeconds),
                          [&] { return verifierStopping || wakeCount != seen; });
    seen = wakeCount;
    return !verifierStopping;
}

static bool stopping() {
    std::lock_guard<std::mutex> lock(verifierMutex);
    return verifierStopping;
}

static void runVerifierWorker(ServerContext* context, VerifierSettings settings) {
    // A check left half done by a stopped server is taken again once it is this old.
    long long staleSeconds = 2LL * settings.timeoutSeconds;
    long long seen = -1;
    while (!stopping()) {
        StoredReplay replay;
        if (!claimPendingReplay(context->database, staleSeconds, replay)) {
            if (!waitForWork(seen)) return;
            continue;
        }
        ReplayVerdictRecord verdict;
        if (!runReplayChecker(settings, replay, verdict)) {
            logLine("replay " + std::to_string(replay.id) + " is tried again later: the checker " +
                    settings.checker + " could not judge it");
            if (!waitForWork(seen)) return;
            continue;
        }
        storeReplayVerdict(context->database, replay, verdict, !context->countUnverifiedResults);
        logVerdict(replay, verdict);
    }
}

void startReplayVerifier(ServerContext& context, const VerifierSettings& settings) {
    {
        std::lock_guard<std::mutex> lock(verifierMutex);
        verifierStopping = false;
    }
    for (int i = 0; i < settings.workers; ++i)
        verifierWorkers.emplace_back(runVerifierWorker, &context, settings);
}

void wakeReplayVerifier() {
    {
        std::lock_guard<std::mutex> lock(verifierMutex);
        ++wakeCount;
    }
    verifierWake.notify_all();
}

void stopReplayVerifier() {
    {
        std::lock_guard<std::mutex> lock(verifierMutex);
        verifierStopping = true;
    }
    verifierWake.notify_all();
    for (std::thread& worker : verifierWorkers) worker.join();
    verifierWorkers.clear();
}
