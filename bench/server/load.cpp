// zentrix-server-bench: a load generator for the game server. Registers a few
// accounts, then sends encrypted score submissions from many concurrent
// clients (a new connection per request, as the game does) and reports
// submissions per second and latency percentiles. With --ack-log it records
// every acknowledged score; --verify checks that each one is still stored.
// With --replays N it records N bot runs across every mode under seeds the
// server issued, submits and uploads them, and times until the server's
// checkers have judged them all (read from its database, --db).
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/server/replay_runs.h"
#include "game/replay_playback.h"
#include "protocol/encodings.h"
#include "server/replay_verifier.h"
#include "server/storage.h"

using Clock = std::chrono::steady_clock;

static const int modes = 6;
static const int levels = 10;
// Rush, Survival and Meditation each play one level; the server refuses others.
static const int singleLevels[] = {5, 2, 1};
static const int firstSingleLevelMode = 4;
static const int timeoutSeconds = 10;
static const int registeringThreads = 4;
static const size_t rsaPieceBytes = 117;  // plain bytes per PKCS#1 block of a 1024-bit key
static const long long levelsPerRun = 10;
static const size_t rsaBlockBytes = 128;

struct Options {
    std::vector<std::string> servers;  // "host:port", used round-robin
    int clients = 64;
    double seconds = 10;
    int users = 16;
    std::string ackLog;
    std::string verify;
    std::vector<int> serverPids;  // --server-pid: whose CPU time the timed phase is charged
    int idle = 0;                 // --idle: keep-alive connections opened and left idle
    int slow = 0;                 // --slow: clients that send their headers a byte at a time
    std::string rankingOffsets;   // --ranking 0,50000,99990: time ranking pages instead
    int replays = 0;              // --replays N: time the checking of N bot replays instead
    std::string database;         // --db: the server's database, where the verdicts are read
    std::string archive = "data/assets.ass";  // --archive: the levels the bot plays
};

struct Account {
    long long id;
    std::string password;
    std::string address;  // the player's own address, as the proxy in front reports it
};

// Each player comes from an address of its own (servers run with --trusted-proxy 127.0.0.1/32),
// as real players do: the server limits registrations and guesses per address.
static std::string playerAddress(int index) {
    return "10." + std::to_string(index / 65536 % 256) + "." + std::to_string(index / 256 % 256) +
           "." + std::to_string(index % 256);
}

struct Totals {
    std::mutex mutex;
    std::vector<double> latenciesMs;
    long long ok = 0, refused = 0, unanswered = 0;
    std::ofstream ackLog;
};

static bool splitServer(const std::string& server, std::string& host, int& port) {
    size_t colon = server.rfind(':');
    if (colon == std::string::npos) return false;
    host = server.substr(0, colon);
    port = std::atoi(server.c_str() + colon + 1);
    return port > 0;
}

// The game parses the public key for every block; a load generator doing the same
// spends more CPU than the server it measures. Each thread keeps one parsed key.
struct EncryptContext {
    EVP_PKEY_CTX* context = nullptr;
    ~EncryptContext() { EVP_PKEY_CTX_free(context); }
};

static EVP_PKEY_CTX* encryptContext() {
    thread_local EncryptContext cached;
    if (cached.context != nullptr) return cached.context;
    BIO* bio = BIO_new_mem_buf(serverPublicKey.data(), static_cast<int>(serverPublicKey.size()));
    EVP_PKEY* key = bio ? PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(bio);
    cached.context = key ? EVP_PKEY_CTX_new(key, nullptr) : nullptr;
    EVP_PKEY_free(key);
    if (cached.context != nullptr &&
        (EVP_PKEY_encrypt_init(cached.context) != 1 ||
         EVP_PKEY_CTX_set_rsa_padding(cached.context, RSA_PKCS1_PADDING) != 1)) {
        EVP_PKEY_CTX_free(cached.context);
        cached.context = nullptr;
    }
    return cached.context;
}

// The same URL as the game's makeSecureUrl; falls back to it when the key will not load.
static std::string secureUrl(const std::string& request) {
    EVP_PKEY_CTX* context = encryptContext();
    if (context == nullptr) return makeSecureUrl(request);
    std::string encrypted;
    for (size_t start = 0; start < request.size(); start += rsaPieceBytes) {
        std::string piece = request.substr(start, rsaPieceBytes);
        unsigned char block[rsaBlockBytes];
        size_t length = sizeof block;
        if (EVP_PKEY_encrypt(context, block, &length,
                             reinterpret_cast<const unsigned char*>(piece.data()),
                             piece.size()) != 1) {
            return makeSecureUrl(request);
        }
        encrypted.append(reinterpret_cast<const char*>(block), length);
    }
    return secureBaseUrl + makeUrlSafe(removeCrLf(base64Encode(encrypted)));
}

// One request through the secure endpoint on a fresh connection; "" when no answer came.
static std::string send(const std::string& server, const std::string& request,
                        const std::string& address) {
    std::string host;
    int port = 0;
    if (!splitServer(server, host, port)) return "";
    httplib::Client client(host, port);
    client.set_read_timeout(timeoutSeconds);
    client.set_connection_timeout(timeoutSeconds);
    auto result = client.Get(secureUrl(request).c_str(), {{"X-Forwarded-For", address}});
    if (!result || result->status != 200) return "";
    return result->body;
}

static std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream stream(text);
    std::string word;
    while (stream >> word) out.push_back(word);
    return out;
}

static bool registerAccount(const std::string& server, const std::string& name,
                            const std::string& password, const std::string& address,
                            Account& account) {
    std::string reg = send(server,
                           "reg.php?beta=1&username=" + name + "&passwordHash=" + md5Hex(password) +
                               "&password=" + password + "&email=bench@example.com",
                           address);
    if (reg.compare(0, 8, "success ") != 0) return false;
    std::vector<std::string> login = words(send(
        server,
        "login.php?version=rc2&build=direct&platform=&username=" + name + "&password=" + password +
            "&glversion=bench&videocard=bench&manufacturer=bench&res=800x600"
            "&gameversion=Version 1.0.0.0&os=bench&ram=1&cpu=bench&mac=",
        address));
    if (login.size() != 6 || login[0] != "success") return false;
    account = Account{std::atoll(login[1].c_str()), password, address};
    return true;
}

static std::vector<Account> registerAccounts(const Options& options) {
    std::vector<Account> accounts(options.users);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    std::atomic<int> next{0};
    unsigned stamp = std::random_device()();
    // A few at a time: each account costs the server two slow password hashes.
    for (int worker = 0; worker < std::min(options.users, registeringThreads); ++worker) {
        threads.emplace_back([&] {
            for (int i = next++; i < options.users; i = next++) {
                std::string name =
                    "bench" + std::to_string(stamp % 100000) + "_" + std::to_string(i);
                const std::string& server = options.servers[i % options.servers.size()];
                if (!registerAccount(server, name, "benchpass" + std::to_string(i),
                                     playerAddress(i), accounts[i]))
                    ++failures;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    if (failures > 0) accounts.clear();
    return accounts;
}

static std::string scoreRequest(const Account& account, int mode, int level, long long score,
                                const std::string& session) {
    return "score.php?gamemode=" + std::to_string(mode) + "&level=" + std::to_string(level) +
           "&score=" + std::to_string(score) +
           "&time=95&apm=60&controls=0&drops=40&rotates=12&pup1earned=1&pup2earned=1"
           "&pup3earned=0&pup1used=1&pup2used=0&pup3used=0&kills=120&performance=4&sessionhash=" +
           session + "&userid=" + std::to_string(account.id) +
           "&passwordHash=" + md5Hex(account.password);
}

static void runClient(int index, const Options& options, const std::vector<Account>& accounts,
                      Clock::time_point end, Totals& totals) {
    const Account& account = accounts[index % accounts.size()];
    std::mt19937 random(index * 7919 + 1);
    std::string session =
        "bench" + std::to_string(index) + "x" + std::to_string(std::random_device()());
    long long sequence = 0;
    for (long long n = index; Clock::now() < end; n += options.clients) {
        int mode = 1 + static_cast<int>(n % modes);
        int level = 1 + static_cast<int>((n / modes) % levels);
        if (mode >= firstSingleLevelMode) level = singleLevels[mode - firstSingleLevelMode];
        // Rising scores per client, so the newest acknowledged one is each slot's best.
        long long score = 1000 + (++sequence) * 10 + random() % 10;
        // A run of the game is at most ten levels: a new session hash every ten results.
        std::string run = session + "r" + std::to_string(sequence / levelsPerRun);
        std::string request = scoreRequest(account, mode, level, score, run);
        const std::string& server = options.servers[n % options.servers.size()];
        Clock::time_point start = Clock::now();
        std::string reply = send(server, request, account.address);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::lock_guard<std::mutex> lock(totals.mutex);
        if (reply.compare(0, 8, "success ") == 0) {
            ++totals.ok;
            totals.latenciesMs.push_back(ms);
            if (totals.ackLog.is_open()) {
                totals.ackLog << account.id << ' ' << mode << ' ' << level << ' ' << score << '\n';
                totals.ackLog.flush();
            }
        } else if (reply.empty()) {
            ++totals.unanswered;
        } else {
            ++totals.refused;
        }
    }
}

static double percentile(std::vector<double>& values, double fraction) {
    if (values.empty()) return 0;
    size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
    std::nth_element(values.begin(), values.begin() + index, values.end());
    return values[index];
}

// CPU seconds (user + system) the given processes have used so far; 0 for one not found.
static double cpuSeconds(const std::vector<int>& pids) {
    double total = 0;
    for (int pid : pids) total += std::max(0.0, processCpuSeconds(pid));
    return total;
}

// The servers share this machine's cores with the load generator, so RSA
// decryptions per server CPU second is the figure to hold against one core's limit.
static void printServerCpu(const Options& options, double cpuUsed, long long submissions) {
    if (options.serverPids.empty()) return;
    Account sample{1, "x", "127.0.0.1"};
    size_t plainBytes = scoreRequest(sample, 1, 1, 1000, "bench0x0").size();
    size_t blocks = (plainBytes + rsaPieceBytes - 1) / rsaPieceBytes;
    std::cout << "server CPU s " << cpuUsed << ", " << blocks << " RSA blocks per submission, "
              << "RSA decryptions per server CPU second "
              << (cpuUsed > 0 ? static_cast<double>(submissions * blocks) / cpuUsed : 0) << "\n";
}

static int connectTo(const std::string& server) {
    std::string host;
    int port = 0;
    if (!splitServer(server, host, port)) return -1;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

// Connections that finished one request and stay open, as the game's libcurl leaves them.
static std::vector<int> openIdleConnections(const std::string& server, int count) {
    std::vector<int> fds;
    const std::string request = "GET / HTTP/1.1\r\nHost: bench\r\n\r\n";
    char reply[8192];
    for (int i = 0; i < count; ++i) {
        int fd = connectTo(server);
        if (fd < 0) break;
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) > 0)
            ::recv(fd, reply, sizeof reply, 0);
        fds.push_back(fd);
    }
    return fds;
}

// Clients that send a request line, then one header byte every four seconds.
static void dripSlowHeaders(const std::string& server, int count, Clock::time_point end) {
    if (count == 0) return;
    std::vector<int> fds;
    for (int i = 0; i < count; ++i) {
        int fd = connectTo(server);
        if (fd < 0) break;
        ::send(fd, "GET / HTTP/1.1\r\nX-Slow: ", 25, MSG_NOSIGNAL);
        fds.push_back(fd);
    }
    while (Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::seconds(4));
        for (int fd : fds) ::send(fd, "a", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    for (int fd : fds) ::close(fd);
}

static void raiseDescriptorLimit() {
    rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

static int runLoad(const Options& options) {
    std::vector<Account> accounts = registerAccounts(options);
    if (accounts.empty()) {
        std::cerr << "bench: could not register and log in the accounts\n";
        return 1;
    }
    Totals totals;
    if (!options.ackLog.empty()) totals.ackLog.open(options.ackLog, std::ios::trunc);
    std::vector<int> idle = openIdleConnections(options.servers[0], options.idle);
    if (options.idle > 0) std::cout << "idle keep-alive connections " << idle.size() << "\n";
    double cpuBefore = cpuSeconds(options.serverPids);
    Clock::time_point start = Clock::now();
    Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(options.seconds));
    std::thread slow(dripSlowHeaders, options.servers[0], options.slow, end);
    std::vector<std::thread> threads;
    for (int i = 0; i < options.clients; ++i) {
        threads.emplace_back(runClient, i, std::cref(options), std::cref(accounts), end,
                             std::ref(totals));
    }
    for (std::thread& thread : threads) thread.join();
    double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    slow.join();
    for (int fd : idle) ::close(fd);
    std::cout << "clients " << options.clients << ", servers " << options.servers.size()
              << ", seconds " << elapsed << "\n"
              << "acknowledged " << totals.ok << ", refused " << totals.refused << ", unanswered "
              << totals.unanswered << "\n"
              << "submissions/s " << totals.ok / elapsed << "\n"
              << "latency ms p50 " << percentile(totals.latenciesMs, 0.50) << " p99 "
              << percentile(totals.latenciesMs, 0.99) << " max "
              << percentile(totals.latenciesMs, 1.0) << "\n";
    printServerCpu(options, cpuSeconds(options.serverPids) - cpuBefore, totals.ok);
    return 0;
}

// Every (account, mode, level) must still hold at least its highest acknowledged score.
static int runVerify(const Options& options) {
    std::ifstream log(options.verify);
    std::map<std::vector<long long>, long long> highest;
    long long id, mode, level, score, lines = 0;
    while (log >> id >> mode >> level >> score) {
        long long& best = highest[{id, mode, level}];
        best = std::max(best, score);
        ++lines;
    }
    int lost = 0;
    for (const auto& slot : highest) {
        std::vector<std::string> reply =
            words(send(options.servers[0],
                       "highscore.php?gamemode=" + std::to_string(slot.first[1]) +
                           "&level=" + std::to_string(slot.first[2]) +
                           "&username=x&userid=" + std::to_string(slot.first[0]),
                       "127.0.0.1"));
        long long stored = reply.size() == 5 ? std::atoll(reply[1].c_str()) : -1;
        if (stored < slot.second) {
            std::cerr << "lost: account " << slot.first[0] << " mode " << slot.first[1] << " level "
                      << slot.first[2] << " acknowledged " << slot.second << " stored " << stored
                      << "\n";
            ++lost;
        }
    }
    std::cout << "verified " << lines << " acknowledged scores in " << highest.size()
              << " slots, lost " << lost << "\n";
    return lost == 0 && lines > 0 ? 0 : 1;
}

// Latency of the ranking page at each offset: 20 requests each, one at a time.
static int runRanking(const Options& options) {
    std::istringstream list(options.rankingOffsets);
    std::string offset;
    while (std::getline(list, offset, ',')) {
        std::vector<double> latencies;
        std::string header;
        for (int i = 0; i < 20; ++i) {
            Clock::time_point start = Clock::now();
            std::string page =
                send(options.servers[0], "world_ranking_staggered.php?gamemode=0&offset=" + offset,
                     "127.0.0.1");
            latencies.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            header = page.substr(0, page.find('\r'));
        }
        std::cout << "offset " << offset << ": \"" << header << "\" ms p50 "
                  << percentile(latencies, 0.5) << " max " << percentile(latencies, 1.0) << "\n";
    }
    return 0;
}

// The replay phase. Each account holds as many replays as the server lets wait
// per account; its seeds come from seeds.php, as a ranked level's do.
static const int replaysPerAccount = 8;
static const int seedRequests = 2;  // 4 seeds a reply
static const int verdictPollMs = 20;
static const int verdictWaitSeconds = 600;

struct BenchReplay {
    RecordedReplay run;
    size_t account;
    std::string session;  // a run of its own, so equal results stay apart
};

static std::vector<long long> issuedSeeds(const std::string& server, const Account& account) {
    std::vector<long long> seeds;
    for (int ask = 0; ask < seedRequests; ++ask) {
        std::vector<std::string> reply =
            words(send(server,
                       "seeds.php?sessionhash=&userid=" + std::to_string(account.id) +
                           "&passwordHash=" + md5Hex(account.password),
                       account.address));
        if (reply.empty() || reply[0] != "success") break;
        for (size_t i = 1; i < reply.size(); ++i) seeds.push_back(std::atoll(reply[i].c_str()));
    }
    return seeds;
}

// Bot runs of the bench's mix under the accounts' issued seeds; only runs that
// verify here are kept, so every upload is one the server must verify.
static std::vector<BenchReplay> recordUnderSeeds(const Options& options,
                                                 const std::vector<Account>& accounts) {
    std::vector<BenchReplay> kept;
    int n = 0;
    for (size_t a = 0; a < accounts.size(); ++a) {
        for (long long seed : issuedSeeds(options.servers[0], accounts[a])) {
            if (static_cast<int>(kept.size()) >= options.replays) break;
            RecordedReplay run = recordRun(n++, seed);
            if (verifyReplay(run.bytes, run.mode, run.level, run.score).verified)
                kept.push_back({run, a, "benchreplay" + std::to_string(n)});
        }
    }
    std::cout << "replays: " << n << " bot runs recorded, " << kept.size()
              << " settle their level and are uploaded\n";
    return kept;
}

static bool submitResult(const Options& options, const Account& account,
                         const BenchReplay& replay) {
    const RecordedReplay& run = replay.run;
    std::string reply = send(options.servers[0],
                             scoreRequest(account, run.mode, run.level, run.score, replay.session),
                             account.address);
    if (reply.compare(0, 8, "success ") == 0) return true;
    std::cerr << "bench: result of mode " << run.mode << " level " << run.level << " score "
              << run.score << " refused: " << reply << "\n";
    return false;
}

static bool uploadReplay(const Options& options, const Account& account,
                         const BenchReplay& replay) {
    const RecordedReplay& run = replay.run;
    std::string host;
    int port = 0;
    if (!splitServer(options.servers[0], host, port)) return false;
    std::string request =
        "replay.php?gamemode=" + std::to_string(run.mode) + "&level=" + std::to_string(run.level) +
        "&score=" + std::to_string(run.score) + "&sha256=" + sha256Hex(run.bytes) +
        "&sessionhash=" + replay.session + "&userid=" + std::to_string(account.id) +
        "&passwordHash=" + md5Hex(account.password);
    httplib::Client client(host, port);
    client.set_read_timeout(timeoutSeconds);
    auto result = client.Post(secureUrl(request).c_str(), {{"X-Forwarded-For", account.address}},
                              run.bytes, "application/octet-stream");
    if (result && result->status == 200 && result->body == "success") return true;
    std::cerr << "bench: replay of mode " << run.mode << " level " << run.level << " score "
              << run.score << " refused (see the server's log)\n";
    return false;
}

// How many replays are judged, and of those verified; false when unreadable.
static bool countVerdicts(Database* database, long long& judged, long long& verified) {
    ConnectionLease lease(database);
    SqlRows rows;
    if (sqlExec(lease.connection,
                "SELECT COUNT(*), COALESCE(SUM(CASE WHEN state = 'verified' THEN 1 ELSE 0 END), 0)"
                " FROM replays WHERE state IN ('verified', 'rejected')",
                {}, &rows) != SqlStatus::Ok ||
        rows.empty()) {
        return false;
    }
    judged = std::atoll(rows[0][0].c_str());
    verified = std::atoll(rows[0][1].c_str());
    return true;
}

// The processes the servers started (their checker processes).
static std::vector<int> childrenOf(const std::vector<int>& serverPids) {
    std::vector<int> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        int pid = std::atoi(entry.path().filename().c_str());
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (pid <= 0 || !std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string state;
        int parent = 0;
        fields >> state >> parent;
        if (std::find(serverPids.begin(), serverPids.end(), parent) != serverPids.end())
            children.push_back(pid);
    }
    return children;
}

static int runReplays(const Options& options) {
    std::string error;
    Database* database = openDatabase(options.database, 1, error);
    Options registering = options;
    registering.users = (options.replays + replaysPerAccount - 1) / replaysPerAccount;
    std::vector<Account> accounts =
        database ? registerAccounts(registering) : std::vector<Account>();
    if (accounts.empty()) {
        std::cerr << "bench: " << (database ? "could not register the accounts" : error) << "\n";
        closeDatabase(database);
        return 1;
    }
    prepareRecording(options.archive);
    std::vector<BenchReplay> replays = recordUnderSeeds(options, accounts);
    long long judgedBefore = 0, verifiedBefore = 0, judged = 0, verified = 0;
    countVerdicts(database, judgedBefore, verifiedBefore);
    for (const BenchReplay& replay : replays)
        submitResult(options, accounts[replay.account], replay);
    double serverBefore = cpuSeconds(options.serverPids);
    double checkersBefore = cpuSeconds(childrenOf(options.serverPids));
    Clock::time_point start = Clock::now();
    long long uploaded = 0;
    for (const BenchReplay& replay : replays)
        uploaded += uploadReplay(options, accounts[replay.account], replay) ? 1 : 0;
    Clock::time_point end = start + std::chrono::seconds(verdictWaitSeconds);
    while (countVerdicts(database, judged, verified) && judged - judgedBefore < uploaded &&
           Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(verdictPollMs));
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    // Checkers replaced during the phase are not counted: none is, unless one failed.
    double server = cpuSeconds(options.serverPids) - serverBefore;
    double checkers = cpuSeconds(childrenOf(options.serverPids)) - checkersBefore;
    closeDatabase(database);
    judged -= judgedBefore;
    verified -= verifiedBefore;
    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::cout << "replays uploaded " << uploaded << ", judged " << judged << ", verified "
              << verified << " in " << seconds << " s\n"
              << "replays verified per second " << verified / seconds << ", per core (" << cores
              << ") " << verified / seconds / cores << "\n";
    if (!options.serverPids.empty())
        std::cout << "CPU s: server " << server << ", checkers " << checkers
                  << "; replays verified per CPU second " << verified / (server + checkers) << "\n";
    return judged == uploaded && uploaded == static_cast<long long>(replays.size()) ? 0 : 1;
}

static bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i], value = argv[i + 1];
        if (name == "--server")
            options.servers.push_back(value);
        else if (name == "--clients")
            options.clients = std::atoi(value.c_str());
        else if (name == "--seconds")
            options.seconds = std::atof(value.c_str());
        else if (name == "--users")
            options.users = std::atoi(value.c_str());
        else if (name == "--ack-log")
            options.ackLog = value;
        else if (name == "--verify")
            options.verify = value;
        else if (name == "--server-pid")
            options.serverPids.push_back(std::atoi(value.c_str()));
        else if (name == "--idle")
            options.idle = std::atoi(value.c_str());
        else if (name == "--slow")
            options.slow = std::atoi(value.c_str());
        else if (name == "--ranking")
            options.rankingOffsets = value;
        else if (name == "--replays")
            options.replays = std::atoi(value.c_str());
        else if (name == "--db")
            options.database = value;
        else if (name == "--archive")
            options.archive = value;
        else
            return false;
    }
    return argc % 2 == 1 && !options.servers.empty() && options.clients > 0 && options.users > 0;
}

int main(int argc, char** argv) {
    secureBaseUrl = "/secure.php?data=";
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::cerr << "usage: zentrix-server-bench --server HOST:PORT [--server ...] [--clients N]"
                     " [--seconds S] [--users N] [--ack-log FILE] [--server-pid PID ...]"
                     " [--idle N] [--slow N]"
                     " | --server HOST:PORT --verify FILE | --server HOST:PORT --ranking O,O,..."
                     " | --server HOST:PORT --replays N --db URL [--server-pid PID]\n";
        return 2;
    }
    raiseDescriptorLimit();
    if (!options.rankingOffsets.empty()) return runRanking(options);
    if (options.replays > 0) return runReplays(options);
    return options.verify.empty() ? runLoad(options) : runVerify(options);
}
