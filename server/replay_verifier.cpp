// Worker threads and the checker processes they run.
#include "server/replay_verifier.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <iterator>
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
static const int endPollMs = 5;  // how often a checker that closed its pipes is looked at

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

// The longest run the checker plays for a mode, in minutes of frames (its own
// caps: 30 minutes, 150 for Survival); a replay's deadline is that share of
// the time-out, so a Classic replay that hangs is cut off five times sooner.
static const int survivalMode = 5;
static const int longestRunMinutes = 150;
static int runMinutes(int mode) {
    return mode == survivalMode ? longestRunMinutes : 30;
}

// The second fence: each checker process may spend this much CPU in all (the
// kernel ends it with SIGXCPU past it). A limit cannot be reset per replay, so
// a checker is replaced before a replay could run into it (see retireIfSpent).
static const rlim_t checkerCpuSeconds = 600;

int checkDeadlineSeconds(const VerifierSettings& settings, int mode) {
    return std::max(1, settings.timeoutSeconds * runMinutes(mode) / longestRunMinutes);
}

void stopChecker(ReplayChecker& checker) {
    if (checker.pid <= 0) return;
    ::kill(checker.pid, SIGKILL);
    int status = 0;
    while (::waitpid(checker.pid, &status, 0) < 0 && errno == EINTR) {
    }
    ::close(checker.toChild);
    ::close(checker.fromChild);
    checker = ReplayChecker();
}

// A --serve checker with pipes both ways; our ends are non-blocking, so a
// checker that stops reading or writing costs a deadline, not a hang.
static bool startChecker(const VerifierSettings& settings, ReplayChecker& checker) {
    int input[2], output[2];
    if (::pipe2(input, O_CLOEXEC) != 0) return false;
    if (::pipe2(output, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return false;
    }
    std::vector<std::string> words = {settings.checker, "--archive", settings.archive, "--serve"};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    pid_t pid = -1;
    if (posix_spawn(&pid, settings.checker.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    if (pid <= 0) {
        ::close(input[1]);
        ::close(output[0]);
        return false;
    }
    rlimit cpu = {checkerCpuSeconds, checkerCpuSeconds + 5};
    ::prlimit(pid, RLIMIT_CPU, &cpu, nullptr);
    ::fcntl(input[1], F_SETFL, O_NONBLOCK);
    ::fcntl(output[0], F_SETFL, O_NONBLOCK);
    checker.pid = pid;
    checker.toChild = input[1];
    checker.fromChild = output[0];
    return true;
}

using Clock = std::chrono::steady_clock;

// Waits for `events` on `fd` until the deadline; false once it passed.
static bool waitReady(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd ready = {fd, events, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) > 0) return true;
    }
}

// Writes all of `bytes`; false when the checker closed its input or the time is up.
static bool writeAll(int fd, const std::string& bytes, Clock::time_point deadline) {
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;  // EPIPE: the checker is gone (SIGPIPE is ignored)
        } else if (!waitReady(fd, POLLOUT, deadline)) {
            return false;
        }
    }
    return true;
}

// Done: an answer came; Closed: the checker closed its output; Late: the
// deadline passed; Babble: more output than any verdict takes.
enum class Reading { Done, Closed, Late, Babble };

// Reads one answer, up to its line "end"; Closed when the checker ended first.
static Reading readAnswer(int fd, Clock::time_point deadline, std::string& output) {
    char buffer[1024];
    for (;;) {
        size_t end = output.find("\nend\n");
        if (end != std::string::npos || output.compare(0, 4, "end\n") == 0) return Reading::Done;
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) return Reading::Closed;
        if (n > 0) {
            if (output.size() > maxCheckerOutput) return Reading::Babble;
            output.append(buffer, static_cast<size_t>(n));
        } else if (errno != EAGAIN && errno != EINTR) {
            return Reading::Closed;
        } else if (!waitReady(fd, POLLIN, deadline)) {
            return Reading::Late;
        }
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

static ReplayVerdictRecord rejection(const std::string& reason) {
    ReplayVerdictRecord verdict;
    verdict.reason = reason;
    return verdict;
}

// Waits until the process ends or the deadline passes; false when it still runs
// (a checker that closed its output but went on).
static bool waitForEnd(pid_t pid, Clock::time_point deadline, int& status) {
    for (;;) {
        pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid) return true;
        if (ended < 0 && errno != EINTR) return true;  // not ours to wait for: nothing to kill
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(endPollMs));
    }
}

// The checker ended before answering: a signal (a crash, its memory limit) or
// an unexpected exit rejects the replay; exit 2 is a checker that could not
// start (no levels), which judges nothing.
static bool verdictFromEnd(ReplayChecker& checker, int status, ReplayVerdictRecord& verdict) {
    ::close(checker.toChild);
    ::close(checker.fromChild);
    checker = ReplayChecker();
    if (WIFSIGNALED(status)) {
        verdict = rejection("the checker ended on signal " + std::to_string(WTERMSIG(status)));
        return true;
    }
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 2) return false;
    verdict =
        rejection("the checker stopped without a verdict (exit " + std::to_string(code) + ")");
    return true;
}

double processCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');  // the program name may hold spaces
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int number = 3; number <= 15 && fields >> field; ++number)
        if (number >= 14) ticks += std::strtod(field.c_str(), nullptr);
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// A checker whose CPU left over could not cover the longest deadline is
// replaced now, so its limit never ends it in the middle of a replay.
static void retireIfSpent(const VerifierSettings& settings, ReplayChecker& checker) {
    double used = processCpuSeconds(checker.pid);
    if (used < 0 || used + settings.timeoutSeconds >= static_cast<double>(checkerCpuSeconds))
        stopChecker(checker);
}

bool checkReplay(const VerifierSettings& settings, ReplayChecker& checker,
                 const StoredReplay& replay, ReplayVerdictRecord& verdict) {
    if (checker.pid <= 0 && !startChecker(settings, checker)) return false;
    int seconds = checkDeadlineSeconds(settings, replay.mode);
    auto deadline = Clock::now() + std::chrono::seconds(seconds);
    std::string request = std::to_string(replay.mode) + " " + std::to_string(replay.level) + " " +
                          std::to_string(replay.score) + " " + std::to_string(replay.body.size()) +
                          "\n" + replay.body;
    std::string output;
    Reading read = writeAll(checker.toChild, request, deadline)
                       ? readAnswer(checker.fromChild, deadline, output)
                       : Reading::Closed;
    if (read == Reading::Done && parseVerdict(output, verdict)) {
        retireIfSpent(settings, checker);
        return true;
    }
    int status = 0;
    if (read == Reading::Closed) {
        // Closed pipes come with the process's end: see how it ended.
        if (waitForEnd(checker.pid, deadline, status))
            return verdictFromEnd(checker, status, verdict);
        read = Reading::Late;
    }
    stopChecker(checker);
    verdict = read == Reading::Late
                  ? rejection("the check took longer than " + std::to_string(seconds) + " s")
                  : rejection("the checker answered without a verdict");
    return true;
}

bool runReplayChecker(const VerifierSettings& settings, const StoredReplay& replay,
                      ReplayVerdictRecord& verdict) {
    ReplayChecker checker;
    bool judged = checkReplay(settings, checker, replay, verdict);
    stopChecker(checker);
    return judged;
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

// Each worker keeps one checker process and hands it replay after replay; a
// checker that crashed or missed its deadline is replaced for the next one.
static void runVerifierWorker(ServerContext* context, VerifierSettings settings) {
    // A check left half done by a stopped server is taken again once it is this old.
    long long staleSeconds = 2LL * settings.timeoutSeconds;
    long long seen = -1;
    ReplayChecker checker;
    while (!stopping()) {
        StoredReplay replay;
        if (!claimPendingReplay(context->database, staleSeconds, replay)) {
            if (!waitForWork(seen)) break;
            continue;
        }
        ReplayVerdictRecord verdict;
        if (!checkReplay(settings, checker, replay, verdict)) {
            logLine("replay " + std::to_string(replay.id) + " is tried again later: the checker " +
                    settings.checker + " could not judge it");
            if (!waitForWork(seen)) break;
            continue;
        }
        storeReplayVerdict(context->database, replay, verdict, !context->countUnverifiedResults);
        logVerdict(replay, verdict);
    }
    stopChecker(checker);
}

void startReplayVerifier(ServerContext& context, const VerifierSettings& settings) {
    // A checker that dies leaves a broken pipe: the write fails with EPIPE instead.
    ::signal(SIGPIPE, SIG_IGN);
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
