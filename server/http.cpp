// cpp-httplib wiring of the game server's routes.
#include "server/http.h"

#include <httplib.h>
#include <sys/socket.h>

#include <thread>

#include "server/admin.h"
#include "server/log.h"
#include "server/router.h"
#include "server/web.h"

struct HttpServer {
    httplib::Server http;
    std::thread listener;
    socket_t socket = -1;  // the listening socket, seen as httplib creates it
};

// Every game request is a new connection, and replies of one group commit go out
// together: httplib's accept queue of 5 drops such bursts, and each dropped
// connection waits a whole second for its SYN to be sent again.
static const int listenBacklog = 1024;

// Game requests are a few kilobytes; request bodies are never needed.
static const size_t maxPayloadBytes = 64 * 1024;
static const time_t readTimeoutSeconds = 5;
static const time_t writeTimeoutSeconds = 10;
static const size_t keepAliveRequests = 1000;
static const char textType[] = "text/plain";
static const char htmlType[] = "text/html; charset=utf-8";
static const char binaryType[] = "application/octet-stream";

static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

static std::string percentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        int high = i + 2 < text.size() && text[i] == '%' ? hexValue(text[i + 1]) : -1;
        int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string dataParameter(const std::string& target) {
    size_t query = target.find('?');
    if (query == std::string::npos) return "";
    const std::string key = "data=";
    for (size_t at = query + 1; at < target.size();) {
        size_t end = target.find('&', at);
        if (end == std::string::npos) end = target.size();
        if (target.compare(at, key.size(), key) == 0) {
            return percentDecoded(target.substr(at + key.size(), end - at - key.size()));
        }
        at = end + 1;
    }
    return "";
}

static long long queryNumber(const httplib::Request& request, const char* key) {
    if (!request.has_param(key)) return 0;
    return std::strtoll(request.get_param_value(key).c_str(), nullptr, 10);
}

static void addGameRoutes(httplib::Server& http, ServerContext& context) {
    http.Get(
        "/secure.php", [&context](const httplib::Request& request, httplib::Response& response) {
            std::string data = dataParameter(request.target);
            response.set_content(handleSecureData(context, data, request.remote_addr), textType);
        });
    http.Get(R"(/patches/([A-Za-z0-9._-]+))",
             [&context](const httplib::Request& request, httplib::Response& response) {
                 std::string bytes;
                 if (!readPatchFile(context, "patches/" + request.matches[1].str(), bytes)) {
                     response.status = 404;
                     response.set_content("fail", textType);
                     return;
                 }
                 response.set_content(bytes, binaryType);
             });
}

static void addWebRoutes(httplib::Server& http, ServerContext& context) {
    http.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(indexPageHtml(), htmlType);
    });
    http.Get("/ranking", [&context](const httplib::Request& request, httplib::Response& response) {
        int category = static_cast<int>(queryNumber(request, "category"));
        response.set_content(rankingPageHtml(context, category, queryNumber(request, "offset")),
                             htmlType);
    });
    http.Get("/account", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(accountHelpPageHtml(), htmlType);
    });
}

static void configure(HttpServer* server, int threads) {
    httplib::Server& http = server->http;
    http.set_socket_options([server](socket_t socket) {
        httplib::default_socket_options(socket);
        server->socket = socket;
    });
    http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    http.set_payload_max_length(maxPayloadBytes);
    http.set_read_timeout(readTimeoutSeconds);
    http.set_write_timeout(writeTimeoutSeconds);
    http.set_keep_alive_max_count(keepAliveRequests);
    http.set_tcp_nodelay(true);
    http.set_exception_handler(
        [](const httplib::Request& request, httplib::Response& response, std::exception_ptr) {
            logLine("request from " + request.remote_addr + " raised an exception");
            response.status = 500;
            response.set_content("fail", textType);
        });
}

HttpServer* startHttpServer(ServerContext& context, const std::string& host, int& port, int threads,
                            std::string& error) {
    auto* server = new HttpServer();
    configure(server, threads);
    addGameRoutes(server->http, context);
    addWebRoutes(server->http, context);
    bool bound = port == 0 ? (port = server->http.bind_to_any_port(host)) > 0
                           : server->http.bind_to_port(host, port);
    if (!bound) {
        error = "cannot listen on " + host + ":" + std::to_string(port);
        delete server;
        return nullptr;
    }
    // Listening again on a listening socket only lengthens its accept queue.
    if (server->socket >= 0) ::listen(server->socket, listenBacklog);
    if (context.publicUrl.empty())
        context.publicUrl = "http://" + host + ":" + std::to_string(port);
    server->listener = std::thread([server] { server->http.listen_after_bind(); });
    return server;
}

void stopHttpServer(HttpServer* server) {
    if (server == nullptr) return;
    server->http.stop();
    if (server->listener.joinable()) server->listener.join();
    delete server;
}
