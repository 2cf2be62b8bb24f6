// The HTTP layer facing the internet: idle and slow connections hold no
// worker, the connection caps refuse at once, oversized headers are refused,
// the listening address and port are guarded, and TLS works.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "protocol/encodings.h"
#include "tests/server/server_harness.h"

namespace {

const int patientSeconds = 3;

// A connection to the loopback address, IPv4 or (`v6`) IPv6.
int connectTo(int port, bool v6 = false) {
    int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in6 address6{};
    address6.sin6_family = AF_INET6;
    address6.sin6_port = htons(static_cast<uint16_t>(port));
    address6.sin6_addr = in6addr_loopback;
    int connected = v6 ? ::connect(fd, reinterpret_cast<sockaddr*>(&address6), sizeof address6)
                       : ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    if (connected != 0) {
        ::close(fd);
        return -1;
    }
    timeval timeout{patientSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    return fd;
}

void sendText(int fd, const std::string& text) {
    ASSERT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(text.size()));
}

// What the server sends before closing or going quiet: "" when it closed or
// reset the connection without a word, "<timeout>" when it said nothing.
std::string readAnswer(int fd) {
    char buffer[4096];
    ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
    if (count < 0) return errno == ECONNRESET ? "" : "<timeout>";
    return std::string(buffer, static_cast<size_t>(count));
}

// A new connection that asks for a page is closed without a word, not left waiting.
bool refusedAtOnce(int port) {
    int fd = connectTo(port);
    std::string request = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    bool refused = readAnswer(fd).empty();
    ::close(fd);
    return refused;
}

// A game request on a fresh connection that gives up after a few seconds.
std::string impatientRequest(const TestServer& server, const std::string& request) {
    httplib::Client client("127.0.0.1", server.port);
    client.set_read_timeout(patientSeconds);
    client.set_connection_timeout(patientSeconds);
    secureBaseUrl = "/secure.php?data=";
    auto result = client.Get(makeSecureUrl(request).c_str());
    return result ? result->body : "<no answer>";
}

struct OpenSockets {
    std::vector<int> fds;
    ~OpenSockets() {
        for (int fd : fds) ::close(fd);
    }
};

class Connections : public ::testing::Test {
  protected:
    TestServer server;

    void start() {
        std::string url = freshDatabaseUrl(TestBackend::Sqlite);
        ASSERT_FALSE(url.empty());
        ASSERT_TRUE(startTestServer(server, url));
    }
    void TearDown() override {
        if (server.http != nullptr) stopTestServer(server);
    }
};

}  // namespace

TEST_F(Connections, IdleAndSlowClientsHoldNoWorker) {
    server.settings.perAddressConnections = 0;
    start();
    OpenSockets held;
    for (int i = 0; i < 200; ++i) held.fds.push_back(connectTo(server.port));
    // Slow senders: a request line and a header, then nothing more.
    for (int i = 0; i < 40; ++i) {
        int fd = connectTo(server.port);
        sendText(fd, "GET /secure.php?data=x HTTP/1.1\r\nHost: slow\r\n");
        held.fds.push_back(fd);
    }
    for (int i = 0; i < 10; ++i) EXPECT_EQ(impatientRequest(server, "news.php"), "") << i;
    EXPECT_EQ(impatientRequest(server, "checkname.php?username=Somebody"), "available");
}

TEST_F(Connections, CapsRefuseNewConnectionsAtOnce) {
    server.settings.maxConnections = 20;
    server.settings.perAddressConnections = 0;
    start();
    OpenSockets held;
    for (int i = 0; i < 20; ++i) held.fds.push_back(connectTo(server.port));
    EXPECT_TRUE(refusedAtOnce(server.port));
    for (int fd : held.fds) ::close(fd);
    held.fds.clear();
    // The server learns of the closed connections on its own thread: give it a moment.
    std::string answer;
    for (int attempt = 0; attempt < 50 && answer != "available"; ++attempt) {
        answer = impatientRequest(server, "checkname.php?username=Somebody");
        if (answer != "available") std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    EXPECT_EQ(answer, "available");
}

// Every trickled byte restarts the idle time-out; the deadline for a whole
// request's headers does not move.
TEST_F(Connections, HeadersTrickledPastTheirDeadlineAreCutOff) {
    server.settings.headerSeconds = 2;
    server.settings.idleSeconds = 10;
    start();
    int fd = connectTo(server.port);
    timeval brief{0, 300 * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &brief, sizeof brief);
    sendText(fd, "GET / HTTP/1.1\r\nHost: x\r\nX-Slow: ");
    auto started = std::chrono::steady_clock::now();
    bool closed = false;
    while (!closed && std::chrono::steady_clock::now() - started < std::chrono::seconds(12)) {
        char byte = 'a', answer[64];
        closed =
            ::send(fd, &byte, 1, MSG_NOSIGNAL) != 1 || ::recv(fd, answer, sizeof answer, 0) == 0;
    }
    ::close(fd);
    EXPECT_TRUE(closed);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    // A client that sends its request at once is served as ever.
    EXPECT_EQ(impatientRequest(server, "checkname.php?username=Somebody"), "available");
}

// One address gets only its share; on IPv6 the cap counts the client's /64.
TEST_F(Connections, OneAddressGetsOnlyItsShareOnIpv4AndIpv6) {
    for (bool v6 : {false, true}) {
        SCOPED_TRACE(v6 ? "IPv6" : "IPv4");
        server.settings.host = v6 ? "::1" : "127.0.0.1";
        server.settings.port = 0;
        server.settings.perAddressConnections = 3;
        start();
        OpenSockets held;
        for (int i = 0; i < 3; ++i) held.fds.push_back(connectTo(server.port, v6));
        EXPECT_GE(held.fds.back(), 0);
        int extra = connectTo(server.port, v6);
        sendText(extra, "GET / HTTP/1.1\r\nHost: x\r\n\r\n");
        EXPECT_EQ(readAnswer(extra), "");
        ::close(extra);
        stopTestServer(server);
    }
}

TEST_F(Connections, HeadersBeyondTheLimitsAreRefused) {
    start();
    int many = connectTo(server.port);
    std::string request = "GET / HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 100; ++i) request += "X-Filler-" + std::to_string(i) + ": 1\r\n";
    sendText(many, request + "\r\n");
    EXPECT_EQ(readAnswer(many).substr(0, 12), "HTTP/1.1 431");
    ::close(many);
    int huge = connectTo(server.port);
    sendText(huge, "GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(40000, 'a') + "\r\n\r\n");
    std::string answer = readAnswer(huge);
    EXPECT_TRUE(answer.empty() || answer.substr(0, 10) == "HTTP/1.1 4") << answer.substr(0, 40);
    ::close(huge);
}

TEST_F(Connections, AllAddressesNeedAPublicAddress) {
    std::string url = freshDatabaseUrl(TestBackend::Sqlite);
    server.settings.host = "0.0.0.0";
    std::string error;
    server.context.database = openDatabase(url, 1, error);
    ASSERT_NE(server.context.database, nullptr) << error;
    HttpServer* refused = startHttpServer(server.context, server.settings, error);
    EXPECT_EQ(refused, nullptr);
    EXPECT_NE(error.find("--public-url"), std::string::npos) << error;
    server.context.publicUrl = "https://zentrix.example.org";
    HttpServer* started = startHttpServer(server.context, server.settings, error);
    EXPECT_NE(started, nullptr) << error;
    stopHttpServer(started);
    closeDatabase(server.context.database);
    std::error_code code;
    std::filesystem::remove_all(std::filesystem::path(url.substr(7)).parent_path(), code);
}

TEST_F(Connections, ASecondServerCannotTakeTheSamePort) {
    start();
    HttpSettings same = server.settings;
    ServerContext other = server.context;
    std::string error;
    HttpServer* second = startHttpServer(other, same, error);
    EXPECT_EQ(second, nullptr);
    stopHttpServer(second);
    EXPECT_EQ(impatientRequest(server, "checkname.php?username=Somebody"), "available");
}

TEST_F(Connections, TlsServesTheGameAndHandsOutHttps) {
    std::string folder =
        std::filesystem::temp_directory_path() / ("zentrix-tls-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=localhost -days 1"
                           " -keyout " +
                           folder + "/key.pem -out " + folder + "/cert.pem >/dev/null 2>&1")
                              .c_str()),
              0);
    server.settings.tlsKeyPem = readWholeFile(folder + "/key.pem");
    server.settings.tlsCertificatePem = readWholeFile(folder + "/cert.pem");
    start();
    httplib::SSLClient client("127.0.0.1", server.port);
    client.enable_server_certificate_verification(false);
    secureBaseUrl = "/secure.php?data=";
    auto result = client.Get(makeSecureUrl("which_server.php").c_str());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body,
              "https://127.0.0.1:" + std::to_string(server.port) + "/secure.php?data=");
    // Plain HTTP on the TLS port gets no game reply.
    EXPECT_NE(impatientRequest(server, "which_server.php").substr(0, 5), "https");
    std::filesystem::remove_all(folder);
}
