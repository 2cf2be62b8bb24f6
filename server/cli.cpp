// Command line of zentrix-server.
#include "server/cli.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "server/admin.h"
#include "server/http.h"
#include "server/log.h"

static const int exitFailure = 1;
static const int exitUsage = 2;
static const int defaultThreads = 16;
static const int maxThreads = 256;
// Database connections per server: a few per core serve best. Many more only
// make the database switch between backends and queue on its own locks
// (on two cores, 64 connections per server halved PostgreSQL's throughput).
static const int defaultDbConnections = 8;
static const int stopPollMs = 200;

static const char usageText[] =
    "usage:\n"
    "  zentrix-server keygen --out DIR\n"
    "  zentrix-server serve --listen HOST:PORT --db sqlite:FILE|postgresql://...\n"
    "                       --key PRIVATE.pem [--public-url URL] [--patch-dir DIR] [--threads N]\n"
    "                       [--db-connections N]\n"
    "  zentrix-server news set TEXT --db URL\n"
    "  zentrix-server patch publish FILE [--exe] --min-version V --db URL --patch-dir DIR\n";

static std::atomic<bool> stopRequested{false};

struct CommandLine {
    std::vector<std::string> words;              // command words and positional values
    std::map<std::string, std::string> options;  // "--db" -> value; flags map to ""
};

static int usage(const std::string& message) {
    std::cerr << "zentrix-server: " << message << "\n" << usageText;
    return exitUsage;
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
        if (word == "--exe") {
            line.options[word] = "";
        } else if (word.compare(0, 2, "--") == 0) {
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
    closeDatabase(context.database);
    freeServerKey(context.key);
    return 0;
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

static int runServe(const CommandLine& line) {
    std::string host;
    int port = 0;
    if (!splitListen(option(line, "--listen"), host, port))
        return usage("--listen needs HOST:PORT");
    if (option(line, "--db").empty() || option(line, "--key").empty()) {
        return usage("serve needs --db and --key");
    }
    std::string threadText = option(line, "--threads");
    int threads = threadText.empty() ? defaultThreads : std::atoi(threadText.c_str());
    if (threads < 1 || threads > maxThreads) return usage("--threads must be 1 to 256");
    std::string connectionText = option(line, "--db-connections");
    int connections = connectionText.empty() ? std::min(threads, defaultDbConnections)
                                             : std::atoi(connectionText.c_str());
    if (connections < 1 || connections > maxThreads)
        return usage("--db-connections must be 1 to 256");
    ServerContext context;
    std::string error;
    if (!loadContext(line, connections, context, error)) return failure(error);
    context.publicUrl = option(line, "--public-url");
    HttpServer* server = startHttpServer(context, host, port, threads, error);
    if (server == nullptr) {
        closeDatabase(context.database);
        freeServerKey(context.key);
        return failure(error);
    }
    logLine("listening on http://" + host + ":" + std::to_string(port));
    return waitAndStop(server, context);
}

static int runKeygen(const CommandLine& line) {
    std::string folder = option(line, "--out");
    if (folder.empty()) return usage("keygen needs --out DIR");
    std::string error;
    if (!generateKeyPair(folder, error)) return failure(error);
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
    std::string error;
    Database* database = openForAdmin(line, error);
    if (database == nullptr) return failure(error);
    bool ok = publishPatch(database, line.words[2], line.options.count("--exe") != 0, minVersion,
                           patchDir, error);
    closeDatabase(database);
    return ok ? 0 : failure(error);
}

int runServerCommand(int argc, char** argv) {
    CommandLine line;
    std::string error;
    if (!parseCommandLine(argc, argv, line, error)) return usage(error);
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
