// Command line of zentrix-server.
#include "server/cli.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "server/admin.h"
#include "server/http.h"
#include "server/log.h"
#include "server/releases.h"
#include "server/replay_verifier.h"

static const int exitFailure = 1;
static const int exitUsage = 2;
static const int defaultThreads = 16;
static const int maxThreads = 256;
// Database connections per server: two per core serve best. More only make
// the database switch between backends and queue on its own row locks (on two
// cores, two servers of 4 connections each answered the slowest 1 % of scores
// a fifth to a third sooner than of 8 each).
static const int dbConnectionsPerCore = 2;
static const int stopPollMs = 200;
static const long long defaultSessionIdleSeconds = 24 * 3600;

static const char usageLine[] = "Usage: zentrix-server COMMAND [OPTION]...\n";

static const char helpText[] =
    "Usage: zentrix-server COMMAND [OPTION]...\n"
    "The Zentrix game server and its administration commands.\n\n"
    "  zentrix-server keygen --out DIR [--force]\n"
    "  zentrix-server serve [--config FILE] --listen HOST:PORT --db sqlite:FILE|postgresql://...\n"
    "                       --key PRIVATE.pem [--public-url URL] [--patch-dir DIR] [--threads N]\n"
    "                       [--db-connections N] [--tls-cert PEM --tls-key PEM]\n"
    "                       [--trusted-proxy CIDR[,CIDR...]] [--session-idle SECONDS]\n"
    "                       [--metrics-from CIDR[,CIDR...]]\n"
    "                       [--max-connections N] [--address-connections N]\n"
    "                       [--idle-timeout SECONDS] [--log-format text|json]\n"
    "                       [--count-unverified-results] [--verify-workers N]\n"
    "                       [--verify-timeout SECONDS]\n"
    "                       [--replay-checker PROGRAM] [--replay-archive ASSETS]\n"
    "  zentrix-server news set TEXT --db URL\n"
    "  zentrix-server patch publish FILE [--exe] --min-version V --db URL --patch-dir DIR\n"
    "                       --key PRIVATE.pem\n"
    "  zentrix-server --help | --version\n\n"
    "--config FILE reads 'key = value' lines whose keys are serve's long options\n"
    "without the dashes ('count-unverified-results = yes' for the flag); the command\n"
    "line wins over the file. serve answers GET /healthz (200 while the database\n"
    "answers) and GET /metrics (Prometheus; to loopback and --metrics-from only).\n"
    "--verify-workers (default one per core, 0 for none) replay uploaded replays,\n"
    "each with a long-lived checker process (the program next to the server);\n"
    "a result counts in rankings and points once its replay verified;\n"
    "--count-unverified-results counts every result as it arrives instead.\n";

// Options that take a value, by command line name; flags are --exe and --force.
static const char* const valueOptions[] = {"--out",
                                           "--listen",
                                           "--db",
                                           "--key",
                                           "--public-url",
                                           "--patch-dir",
                                           "--threads",
                                           "--db-connections",
                                           "--tls-cert",
                                           "--tls-key",
                                           "--trusted-proxy",
                                           "--metrics-from",
                                           "--session-idle",
                                           "--max-connections",
                                           "--address-connections",
                                           "--idle-timeout",
                                           "--min-version",
                                           "--config",
                                           "--log-format",
                                           "--verify-workers",
                                           "--verify-timeout",
                                           "--replay-checker",
                                           "--replay-archive"};
// The serve options a configuration file may set.
static const char* const configKeys[] = {"listen",
                                         "db",
                                         "key",
                                         "public-url",
                                         "patch-dir",
                                         "threads",
                                         "db-connections",
                                         "tls-cert",
                                         "tls-key",
                                         "trusted-proxy",
                                         "metrics-from",
                                         "session-idle",
                                         "max-connections",
                                         "address-connections",
                                         "idle-timeout",
                                         "log-format",
                                         "count-unverified-results",
                                         "verify-workers",
                                         "verify-timeout",
                                         "replay-checker",
                                         "replay-archive"};

static std::atomic<bool> stopRequested{false};

struct CommandLine {
    std::vector<std::string> words;              // command words and positional values
    std::map<std::string, std::string> options;  // "--db" -> value; flags map to ""
};

static int usage(const std::string& message) {
    std::cerr << "zentrix-server: " << message << "\n"
              << usageLine << "Try 'zentrix-server --help' for more information.\n";
    return exitUsage;
}

template <size_t count>
static bool listed(const char* const (&names)[count], const std::string& name) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

static int failure(const std::string& message) {
    std::cerr << "zentrix-server: " << message << "\n";
    return exitFailure;
}

static bool failWith(std::string& error, const std::string& text) {
    error = text;
    return false;
}

static bool parseCommandLine(int argc, char** argv, CommandLine& line, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--exe" || word == "--force" || word == "--help" || word == "--version" ||
            word == "--count-unverified-results") {
            line.options[word] = "";
        } else if (word.compare(0, 2, "--") == 0) {
            if (!listed(valueOptions, word)) return failWith(error, "unknown option " + word);
            if (i + 1 >= argc) return failWith(error, "option " + word + " needs a value");
            line.options[word] = argv[++i];
        } else {
            line.words.push_back(word);
        }
    }
    return true;
}

static std::string option(const CommandLine& line, const std::string& name) {
    auto found = line.options.find(name);
    return found == line.options.end() ? "" : found->second;
}

static std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Adds the options of a configuration file that the command line does not
// give; false with `error` naming the file and line of the first bad one.
static bool readConfigFile(const std::string& path, CommandLine& line, std::string& error) {
    std::ifstream file(path);
    if (!file) return failWith(error, "cannot read the configuration file " + path);
    std::string text;
    for (int number = 1; std::getline(file, text); ++number) {
        std::string where = path + ":" + std::to_string(number) + ": ";
        text = trimmed(text.substr(0, text.find('#')));
        if (text.empty()) continue;
        size_t equals = text.find('=');
        if (equals == std::string::npos) return failWith(error, where + "expected key = value");
        std::string key = trimmed(text.substr(0, equals)), value = trimmed(text.substr(equals + 1));
        if (!listed(configKeys, key)) return failWith(error, where + "unknown key " + key);
        if (value.empty()) return failWith(error, where + key + " has no value");
        line.options.emplace("--" + key, value);  // the command line's value stays
    }
    return !file.bad() || failWith(error, "cannot read the configuration file " + path);
}

static bool readFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream contents;
    contents << file.rdbuf();
    text = contents.str();
    return !file.bad();
}

static bool splitListen(const std::string& listen, std::string& host, int& port) {
    size_t colon = listen.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    host = listen.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    std::string digits = listen.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    port = std::stoi(digits);
    return port <= 65535;
}

static void requestStop(int) {
    stopRequested = true;
}

static int waitAndStop(HttpServer* server, ServerContext& context) {
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(stopPollMs));
    logLine("stopping");
    stopHttpServer(server);
    stopReplayVerifier();
    closeDatabase(context.database);
    freeServerKey(context.key);
    return 0;
}

static int defaultDbConnections() {
    return dbConnectionsPerCore *
           static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

static bool loadContext(const CommandLine& line, int connections, ServerContext& context,
                        std::string& error) {
    std::string pem;
    if (!readFile(option(line, "--key"), pem)) return failWith(error, "cannot read the key file");
    if (!loadServerKey(pem, context.key, error)) return false;
    context.database = openDatabase(option(line, "--db"), connections, error);
    if (context.database == nullptr) {
        freeServerKey(context.key);
        return false;
    }
    context.patchDir = option(line, "--patch-dir");
    return true;
}

// A whole number from an option, `fallback` when absent; false when out of range.
static bool numberOption(const CommandLine& line, const std::string& name, long long fallback,
                         long long low, long long high, long long& value) {
    std::string text = option(line, name);
    value = fallback;
    if (text.empty()) return true;
    if (text.find_first_not_of("0123456789") != std::string::npos || text.size() > 12) return false;
    value = std::atoll(text.c_str());
    return value >= low && value <= high;
}

static bool readTlsFiles(const CommandLine& line, HttpSettings& settings, std::string& error) {
    std::string certificate = option(line, "--tls-cert"), key = option(line, "--tls-key");
    if (certificate.empty() && key.empty()) return true;
    if (certificate.empty() || key.empty())
        return failWith(error, "--tls-cert and --tls-key go together");
    if (!readFile(certificate, settings.tlsCertificatePem) || !readFile(key, settings.tlsKeyPem))
        return failWith(error, "cannot read the TLS certificate or key");
    return true;
}

static bool readHttpSettings(const CommandLine& line, HttpSettings& settings, std::string& error) {
    long long threads, connections, perAddress, idle;
    if (!numberOption(line, "--threads", defaultThreads, 1, maxThreads, threads))
        return failWith(error, "--threads must be 1 to 256");
    if (!numberOption(line, "--max-connections", settings.maxConnections, 1, 1000000, connections))
        return failWith(error, "--max-connections must be 1 to 1000000");
    if (!numberOption(line, "--address-connections", settings.perAddressConnections, 0, 1000000,
                      perAddress))
        return failWith(error, "--address-connections must be 0 to 1000000");
    if (!numberOption(line, "--idle-timeout", settings.idleSeconds, 1, 3600, idle))
        return failWith(error, "--idle-timeout must be 1 to 3600 seconds");
    settings.threads = static_cast<int>(threads);
    settings.maxConnections = static_cast<unsigned>(connections);
    settings.perAddressConnections = static_cast<unsigned>(perAddress);
    settings.idleSeconds = static_cast<unsigned>(idle);
    return readTlsFiles(line, settings, error);
}

// Every open connection is a descriptor: allow as many as the system lets us.
static void raiseDescriptorLimit() {
    rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

static bool chooseLogFormat(const CommandLine& line) {
    std::string format = option(line, "--log-format");
    if (!format.empty() && format != "text" && format != "json") return false;
    setJsonLog(format == "json");
    return true;
}

// "--count-unverified-results" alone, or "yes"/"no" from a configuration file; false when
// unreadable.
static bool readCountUnverified(const CommandLine& line, bool& on) {
    auto found = line.options.find("--count-unverified-results");
    on = found != line.options.end();
    if (!on) return true;
    const std::string& value = found->second;
    if (value.empty() || value == "yes" || value == "true" || value == "on") return true;
    on = false;
    return value == "no" || value == "false" || value == "off";
}

static bool readVerifierSettings(const CommandLine& line, VerifierSettings& settings,
                                 std::string& error) {
    long long workers, timeout;
    long long cores = std::max(1u, std::thread::hardware_concurrency());
    if (!numberOption(line, "--verify-workers", cores, 0, maxThreads, workers))
        return failWith(error, "--verify-workers must be 0 to 256");
    if (!numberOption(line, "--verify-timeout", settings.timeoutSeconds, 1, 3600, timeout))
        return failWith(error, "--verify-timeout must be 1 to 3600 seconds");
    settings.workers = static_cast<int>(workers);
    settings.timeoutSeconds = static_cast<int>(timeout);
    settings.checker = option(line, "--replay-checker");
    if (settings.checker.empty()) settings.checker = defaultCheckerPath();
    settings.archive = option(line, "--replay-archive");
    if (settings.archive.empty()) settings.archive = defaultArchivePath();
    return true;
}

// SQLite has this process alone: checks it left unfinished start again at once.
static void startVerifier(const CommandLine& line, ServerContext& context,
                          const VerifierSettings& settings) {
    if (option(line, "--db").compare(0, 7, "sqlite:") == 0)
        releaseUnfinishedChecks(context.database);
    if (settings.workers > 0) {
        logLine("verifying replays with " + std::to_string(settings.workers) + " worker(s), " +
                settings.checker + " on " + settings.archive);
    }
    startReplayVerifier(context, settings);
}

static int runServe(CommandLine& line) {
    std::string configError;
    if (!option(line, "--config").empty() &&
        !readConfigFile(option(line, "--config"), line, configError))
        return usage(configError);
    if (!chooseLogFormat(line)) return usage("--log-format must be text or json");
    HttpSettings settings;
    if (!splitListen(option(line, "--listen"), settings.host, settings.port))
        return usage("--listen needs HOST:PORT");
    if (option(line, "--db").empty() || option(line, "--key").empty()) {
        return usage("serve needs --db and --key");
    }
    std::string error;
    if (!readHttpSettings(line, settings, error)) return usage(error);
    long long connections, sessionIdle;
    if (!numberOption(line, "--db-connections", std::min(settings.threads, defaultDbConnections()),
                      1, maxThreads, connections))
        return usage("--db-connections must be 1 to 256");
    if (!numberOption(line, "--session-idle", defaultSessionIdleSeconds, 60, 365LL * 24 * 3600,
                      sessionIdle))
        return usage("--session-idle must be 60 seconds to a year");
    VerifierSettings verifier;
    if (!readVerifierSettings(line, verifier, error)) return usage(error);
    ServerContext context;
    if (!readCountUnverified(line, context.countUnverifiedResults))
        return usage("count-unverified-results must be yes or no");
    if (!loadContext(line, static_cast<int>(connections), context, error)) return failure(error);
    context.publicUrl = option(line, "--public-url");
    context.trustedProxies = option(line, "--trusted-proxy");
    context.metricsFrom = option(line, "--metrics-from");
    context.sessionIdleSeconds = sessionIdle;
    raiseDescriptorLimit();
    HttpServer* server = startHttpServer(context, settings, error);
    if (server == nullptr) {
        closeDatabase(context.database);
        freeServerKey(context.key);
        return failure(error);
    }
    std::string scheme = settings.tlsKeyPem.empty() ? "http://" : "https://";
    logLine("listening on " + scheme + settings.host + ":" + std::to_string(settings.port) +
            ", public address " + context.publicUrl);
    startVerifier(line, context, verifier);
    return waitAndStop(server, context);
}

static int runKeygen(const CommandLine& line) {
    std::string folder = option(line, "--out");
    if (folder.empty()) return usage("keygen needs --out DIR");
    std::string error;
    if (!generateKeyPair(folder, line.options.count("--force") != 0, error)) return failure(error);
    std::cout << "wrote " << folder << "/server_private.pem and server_public.pem\n";
    return 0;
}

static Database* openForAdmin(const CommandLine& line, std::string& error) {
    if (option(line, "--db").empty()) {
        error = "needs --db";
        return nullptr;
    }
    return openDatabase(option(line, "--db"), 1, error);
}

static int runNewsSet(const CommandLine& line) {
    if (line.words.size() != 3) return usage("news set takes one TEXT");
    std::string error;
    Database* database = openForAdmin(line, error);
    if (database == nullptr) return failure(error);
    bool ok = setNews(database, line.words[2]);
    closeDatabase(database);
    return ok ? 0 : failure("cannot store the news");
}

static int runPatchPublish(const CommandLine& line) {
    if (line.words.size() != 3) return usage("patch publish takes one FILE");
    std::string minVersion = option(line, "--min-version");
    std::string patchDir = option(line, "--patch-dir");
    if (minVersion.empty() || patchDir.empty())
        return usage("patch publish needs --min-version and --patch-dir");
    std::string error, pem;
    ServerKey key;
    if (option(line, "--key").empty()) return usage("patch publish needs --key to sign the patch");
    if (!readFile(option(line, "--key"), pem) || !loadServerKey(pem, key, error))
        return failure(error.empty() ? "cannot read the key file" : error);
    Database* database = openForAdmin(line, error);
    if (database == nullptr) {
        freeServerKey(key);
        return failure(error);
    }
    bool ok = publishPatch(database, key, line.words[2], line.options.count("--exe") != 0,
                           minVersion, patchDir, error);
    closeDatabase(database);
    freeServerKey(key);
    return ok ? 0 : failure(error);
}

// --help and --version answer on standard output whatever else is given.
static int answerInformationOptions(const CommandLine& line) {
    if (line.options.count("--help")) {
        std::cout << helpText;
    } else {
        std::cout << "zentrix-server " ZENTRIX_VERSION "\nCopyright (C) 2026 Brisko Game Studios\n";
    }
    return 0;
}

int runServerCommand(int argc, char** argv) {
    CommandLine line;
    std::string error;
    if (!parseCommandLine(argc, argv, line, error)) return usage(error);
    if (line.options.count("--help") || line.options.count("--version"))
        return answerInformationOptions(line);
    if (line.words.empty()) return usage("missing command");
    const std::string& command = line.words[0];
    if (command == "keygen" && line.words.size() == 1) return runKeygen(line);
    if (command == "serve" && line.words.size() == 1) return runServe(line);
    if (command == "news" && line.words.size() >= 2 && line.words[1] == "set")
        return runNewsSet(line);
    if (command == "patch" && line.words.size() >= 2 && line.words[1] == "publish") {
        return runPatchPublish(line);
    }
    return usage("unknown command " + command);
}
