// A game server on a loopback port for the tests, on a fresh SQLite file or a
// fresh database of a private PostgreSQL cluster, and a client that sends
// requests through the real encryption.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "server/context.h"
#include "server/http.h"
#include "server/replay_verifier.h"
#include "tests/temp_folder.h"

struct HttpServer;

enum class TestBackend { Sqlite, Postgres };

// Readable names for parameterised tests.
std::string backendName(TestBackend backend);
void PrintTo(TestBackend backend, std::ostream* out);

// A fresh database URL; "" with the test failed when none can be made (the
// PostgreSQL cluster did not start, say): no back end is skipped unseen.
std::string freshDatabaseUrl(TestBackend backend);

struct TestServer {
    // Most tests check the rules of points on results as they arrive; the
    // default, verified results only, has tests of its own that clear this.
    TestServer() { context.countUnverifiedResults = true; }
    ServerContext context;
    HttpSettings settings;  // host, threads and limits; set before the start to change them
    HttpServer* http = nullptr;
    int port = 0;
    std::string patchDir;
    std::string databaseUrl;
};

// Starts a server on a free loopback port; false (with the test failed) when it cannot.
bool startTestServer(TestServer& server, const std::string& databaseUrl);
void stopTestServer(TestServer& server);

// Sends a plain relative request through makeSecureUrl; the reply body, or
// "<status N>" when the HTTP status is not 200, "<no answer>" when none came.
std::string sendRequest(const TestServer& server, const std::string& request);
// The same, as the loopback proxy in front reports a client at `address`
// (X-Forwarded-For; for servers whose context trusts 127.0.0.1).
std::string sendRequestFrom(const TestServer& server, const std::string& request,
                            const std::string& address);
// GET of a raw path on the server with optional headers, same conventions.
using TestHeaders = std::vector<std::pair<std::string, std::string>>;
std::string getPath(const TestServer& server, const std::string& path,
                    const TestHeaders& headers = {});
// The first column of the first row `sql` returns ("" for none); the test
// fails when the statement does.
std::string queryValue(const TestServer& server, const std::string& sql);

std::vector<std::string> splitAtSpaces(const std::string& text);

// Plain requests as the game writes them.
std::string loginRequest(const std::string& name, const std::string& password,
                         const std::string& version = "Version 1.0.0.0");
std::string registerRequest(const std::string& name, const std::string& password,
                            const std::string& email = "player@example.com");
struct TestResult {
    int mode = 2, level = 1;
    long long score = 1000;
    long long time = 60;
    int apm = 40, controls = 0, rotates = 5, pupUsed = 0;
    int performance = 4;
    std::string session = "20240101120000abc";
};
std::string scoreRequest(long long userId, const std::string& password, const TestResult& result);
std::string deathRequest(long long userId, const std::string& password, const TestResult& result);

// The real checker program and the levels the build made, for a verifier.
VerifierSettings realVerifier();
// Writes `seed` as issued to `userId`, as seeds.php would have.
void issueSeed(const TestServer& server, uint32_t seed, long long userId);
// The state of the user's replay once judged ("verified" or "rejected"), or
// what it still is after a minute.
std::string awaitVerdict(const TestServer& server, long long userId);

// Registers and logs in; the user id (0 on failure).
long long registerAndLogin(const TestServer& server, const std::string& name,
                           const std::string& password);

// The base of the server suites: a server on each back end in turn, started
// by SetUp on a fresh database. A suite that sets what else its server needs
// in `server.context` does so in its own SetUp before calling this one; the
// replay verifier a test starts is stopped with the server.
class ServerTest : public ::testing::TestWithParam<TestBackend> {
  protected:
    TestServer server;

    void SetUp() override {
        std::string url = freshDatabaseUrl(GetParam());
        ASSERT_FALSE(url.empty());
        ASSERT_TRUE(startTestServer(server, url));
    }
    void TearDown() override {
        stopReplayVerifier();
        if (server.http != nullptr) stopTestServer(server);
    }
};

// Runs a suite of ServerTest or another backend-parameterised suite on both
// back ends, named after them.
#define INSTANTIATE_ON_BOTH_BACKENDS(suite)                                                 \
    INSTANTIATE_TEST_SUITE_P(Backends, suite,                                               \
                             ::testing::Values(TestBackend::Sqlite, TestBackend::Postgres), \
                             [](const auto& info) { return backendName(info.param); })

// A server as behind a proxy on this machine that tells clients apart by
// X-Forwarded-For (sendRequestFrom).
class ProxiedServerTest : public ServerTest {
  protected:
    void SetUp() override {
        server.context.trustedProxies = "127.0.0.1/32";
        ServerTest::SetUp();
    }
};
