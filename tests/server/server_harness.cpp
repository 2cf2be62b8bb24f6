// The test server, the private PostgreSQL cluster and the encrypting client.
#include "tests/server/server_harness.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <libpq-fe.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <thread>

#include "protocol/encodings.h"
#include "server/credentials.h"
#include "server/http.h"
#include "server/throttle.h"

namespace {

const int serverThreads = 8;
const int clientTimeoutSeconds = 30;
const int verdictWaitSeconds = 60;

// A new folder under the temporary directory with a random name.
std::string makeTempDir(const std::string& stem) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / (stem + std::to_string(random()));
        std::error_code code;
        if (std::filesystem::create_directory(path, code)) return path.string();
    }
    return "";
}

bool runShell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// The server programs of the newest PostgreSQL installed, or "" without one.
std::string postgresBinFolder() {
    std::string newest;
    int newestVersion = -1;
    std::error_code code;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", code)) {
        int version = std::atoi(entry.path().filename().c_str());
        std::string bin = entry.path().string() + "/bin";
        if (version > newestVersion && std::filesystem::exists(bin + "/initdb")) {
            newest = bin;
            newestVersion = version;
        }
    }
    return newest;
}

// The cluster lives as long as the test process; stopped at exit.
struct PostgresCluster {
    std::string folder;
    std::string socketDir;
    bool started = false;  // this process started it and stops it at exit
    bool tried = false;
    bool usable = false;
    std::string asUser;  // "runuser -u postgres -- " when running as root
    std::string bin;     // the folder of initdb and pg_ctl

    ~PostgresCluster() {
        if (!started) return;
        runShell(asUser + bin + "/pg_ctl -D " + folder + "/data -m immediate stop >/dev/null 2>&1");
        std::error_code code;
        std::filesystem::remove_all(folder, code);
    }
};

PostgresCluster cluster;
std::atomic<int> databaseCounter{0};

// A cluster that CTest started for all server tests (pg_cluster.bash), if any.
bool useSharedCluster() {
    const char* shared = std::getenv("ZENTRIX_TEST_PG_DIR");
    if (shared == nullptr ||
        !std::filesystem::exists(std::string(shared) + "/data/postmaster.pid")) {
        return false;
    }
    cluster.socketDir = shared;
    return true;
}

bool startCluster() {
    cluster.tried = true;
    if (useSharedCluster()) return true;
    cluster.bin = postgresBinFolder();
    if (cluster.bin.empty()) return false;
    cluster.folder = makeTempDir("zentrix-pg-");
    if (cluster.folder.empty()) return false;
    cluster.socketDir = cluster.folder;
    // PostgreSQL refuses to run as root: hand the folder to the postgres user.
    if (runShell("test \"$(id -u)\" -eq 0")) {
        cluster.asUser = "runuser -u postgres -- ";
        if (!runShell("chown postgres " + cluster.folder)) return false;
    }
    const std::string& bin = cluster.bin;
    std::string data = cluster.folder + "/data";
    if (!runShell(cluster.asUser + bin + "/initdb -D " + data + " -A trust -U zentrix --no-sync >" +
                  cluster.folder + "/initdb.log 2>&1")) {
        return false;
    }
    std::string options =
        "-k " + cluster.socketDir + " -c listen_addresses='' -c max_connections=200 -c fsync=off";
    cluster.started = runShell(cluster.asUser + bin + "/pg_ctl -D " + data + " -o \"" + options +
                               "\" -l " + cluster.folder + "/server.log -w start >/dev/null");
    return cluster.started;
}

std::string clusterUrl(const std::string& database) {
    return "postgresql:///" + database + "?host=" + cluster.socketDir + "&user=zentrix";
}

bool createDatabase(const std::string& name) {
    PGconn* conn = PQconnectdb(clusterUrl("postgres").c_str());
    bool ok = PQstatus(conn) == CONNECTION_OK;
    if (ok) {
        PGresult* result = PQexec(conn, ("CREATE DATABASE " + name).c_str());
        ok = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
    }
    PQfinish(conn);
    return ok;
}

std::string fetch(int port, const std::string& path, const TestHeaders& headers = {}) {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(clientTimeoutSeconds);
    auto result = client.Get(path.c_str(), httplib::Headers(headers.begin(), headers.end()));
    if (!result) return "<no answer>";
    if (result->status != 200) return "<status " + std::to_string(result->status) + ">";
    return result->body;
}

std::string resultFields(const TestResult& r, bool isScore) {
    std::string time = isScore ? std::to_string(r.time) : std::to_string(r.time) + ".25";
    std::string text =
        "gamemode=" + std::to_string(r.mode) + "&level=" + std::to_string(r.level) +
        "&score=" + std::to_string(r.score) + "&time=" + time + "&apm=" + std::to_string(r.apm) +
        "&controls=" + std::to_string(r.controls) +
        "&drops=30&rotates=" + std::to_string(r.rotates) +
        "&pup1earned=1&pup2earned=1&pup3earned=1&pup1used=0&pup2used=" + std::to_string(r.pupUsed) +
        "&pup3used=" + std::to_string(r.pupUsed) + "&kills=80";
    if (isScore) text += "&performance=" + std::to_string(r.performance);
    return text + "&sessionhash=" + r.session;
}

}  // namespace

void PrintTo(TestBackend backend, std::ostream* out) {
    *out << backendName(backend);
}

std::string backendName(TestBackend backend) {
    return backend == TestBackend::Sqlite ? "Sqlite" : "Postgres";
}

std::string freshDatabaseUrl(TestBackend backend) {
    if (backend == TestBackend::Sqlite) {
        std::string folder = makeTempDir("zentrix-db-");
        if (!folder.empty()) return "sqlite:" + folder + "/server.sqlite";
        ADD_FAILURE() << "cannot make a folder for the SQLite database";
        return "";
    }
    if (!cluster.tried) cluster.usable = startCluster();
    // The PostgreSQL back end is half of what the server supports: a test of
    // it that cannot run fails rather than passing unseen.
    if (!cluster.usable) {
        ADD_FAILURE() << "the PostgreSQL test cluster did not start (scripts/setup installs "
                         "PostgreSQL; see server.log in the cluster folder)";
        return "";
    }
    // Test processes share the cluster: the name must be unique across them.
    std::random_device random;
    std::string name =
        "zentrix_test_" + std::to_string(random()) + "_" + std::to_string(++databaseCounter);
    if (createDatabase(name)) return clusterUrl(name);
    ADD_FAILURE() << "cannot create database " << name;
    return "";
}

bool startTestServer(TestServer& server, const std::string& databaseUrl) {
    resetThrottle();
    forgetCheckedPasswords();
    std::string error;
    std::string pem = serverPrivateKey();
    if (!loadServerKey(pem, server.context.key, error)) {
        ADD_FAILURE() << "key: " << error;
        return false;
    }
    server.databaseUrl = databaseUrl;
    server.context.database = openDatabase(databaseUrl, serverThreads, error);
    if (server.context.database == nullptr) {
        ADD_FAILURE() << "database: " << error;
        return false;
    }
    server.patchDir = makeTempDir("zentrix-patches-");
    server.context.patchDir = server.patchDir;
    if (server.settings.host.empty()) server.settings.host = "127.0.0.1";
    server.settings.threads = serverThreads;
    server.http = startHttpServer(server.context, server.settings, error);
    server.port = server.settings.port;
    if (server.http == nullptr) ADD_FAILURE() << "http: " << error;
    return server.http != nullptr;
}

void stopTestServer(TestServer& server) {
    stopHttpServer(server.http);
    server.http = nullptr;
    closeDatabase(server.context.database);
    server.context.database = nullptr;
    freeServerKey(server.context.key);
    std::error_code code;
    if (!server.patchDir.empty()) std::filesystem::remove_all(server.patchDir, code);
    const std::string sqlitePrefix = "sqlite:";
    if (server.databaseUrl.compare(0, sqlitePrefix.size(), sqlitePrefix) == 0) {
        std::filesystem::path file = server.databaseUrl.substr(sqlitePrefix.size());
        std::filesystem::remove_all(file.parent_path(), code);
    }
}

std::string sendRequest(const TestServer& server, const std::string& request) {
    secureBaseUrl = "/secure.php?data=";
    return fetch(server.port, makeSecureUrl(request));
}

std::string sendRequestFrom(const TestServer& server, const std::string& request,
                            const std::string& address) {
    secureBaseUrl = "/secure.php?data=";
    return fetch(server.port, makeSecureUrl(request), {{"X-Forwarded-For", address}});
}

std::string getPath(const TestServer& server, const std::string& path, const TestHeaders& headers) {
    return fetch(server.port, path, headers);
}

std::string queryValue(const TestServer& server, const std::string& sql) {
    ConnectionLease lease(server.context.database);
    SqlRows rows;
    EXPECT_EQ(sqlExec(lease.connection, sql, {}, &rows), SqlStatus::Ok) << sql;
    return rows.empty() || rows[0].empty() ? "" : rows[0][0];
}

std::vector<std::string> splitAtSpaces(const std::string& text) {
    std::vector<std::string> tokens;
    std::istringstream stream(text);
    std::string token;
    while (stream >> token) tokens.push_back(token);
    return tokens;
}

std::string loginRequest(const std::string& name, const std::string& password,
                         const std::string& version) {
    return "login.php?version=rc2&build=direct&platform=&username=" + name +
           "&password=" + password +
           "&glversion=4.5 (Compatibility Profile) Mesa 22.3.6&videocard=llvmpipe (LLVM 15.0.6)"
           "&manufacturer=Mesa&res=1920x1080&gameversion=" +
           version + "&os=Debian GNU/Linux 12 (bookworm)&ram=7941&cpu=Xeon&mac=02-42-AC-11-00-02";
}

std::string registerRequest(const std::string& name, const std::string& password,
                            const std::string& email) {
    return "reg.php?beta=1&username=" + name + "&passwordHash=" + md5Hex(password) +
           "&password=" + password + "&email=" + email;
}

std::string scoreRequest(long long userId, const std::string& password, const TestResult& result) {
    return "score.php?" + resultFields(result, true) + "&userid=" + std::to_string(userId) +
           "&passwordHash=" + md5Hex(password);
}

std::string deathRequest(long long userId, const std::string& password, const TestResult& result) {
    return "death.php?" + resultFields(result, false) + "&userid=" + std::to_string(userId) +
           "&passwordHash=" + md5Hex(password);
}

long long registerAndLogin(const TestServer& server, const std::string& name,
                           const std::string& password) {
    std::string registered = sendRequest(server, registerRequest(name, password));
    EXPECT_EQ(registered.compare(0, 8, "success "), 0) << registered;
    std::vector<std::string> tokens =
        splitAtSpaces(sendRequest(server, loginRequest(name, password)));
    if (tokens.size() != 6 || tokens[0] != "success") {
        ADD_FAILURE() << "login of " << name << " failed";
        return 0;
    }
    return std::atoll(tokens[1].c_str());
}

VerifierSettings realVerifier() {
    VerifierSettings verifier;
    verifier.checker = ZENTRIX_BUILD_DIR "/zentrix-replay-check";
    verifier.archive = ZENTRIX_BUILD_DIR "/data/assets.ass";
    verifier.timeoutSeconds = verdictWaitSeconds;
    return verifier;
}

void issueSeed(const TestServer& server, uint32_t seed, long long userId) {
    queryValue(server, "INSERT INTO seeds (seed, user_id, issued) VALUES (" + std::to_string(seed) +
                           ", " + std::to_string(userId) + ", 1) RETURNING seed");
}

std::string awaitVerdict(const TestServer& server, long long userId) {
    std::string sql =
        "SELECT state FROM replays WHERE user_id = " + std::to_string(userId) + " LIMIT 1";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(verdictWaitSeconds);
    std::string state = queryValue(server, sql);
    while (state != "verified" && state != "rejected" &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        state = queryValue(server, sql);
    }
    return state;
}
