// libmicrohttpd wiring of the game server's routes. The event thread reads a
// request, suspends its connection and queues the work; a worker computes the
// reply and resumes the connection, and the event thread sends it.
#include "server/http.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "server/log.h"
#include "server/metrics.h"
#include "server/releases.h"
#include "server/replay_files.h"
#include "server/replays.h"
#include "server/router.h"
#include "server/throttle.h"
#include "server/web.h"

// Bursts of new connections wait in the kernel's queue instead of being dropped
// (a dropped SYN costs the client a whole second); beyond it they are refused.
static const int listenBacklog = 1024;
// The library stops accepting this far past our own cap (then the kernel queues).
static const unsigned acceptMargin = 256;
// Work waiting for a worker; past this a request is answered 503 at once.
static const size_t maxQueuedJobs = 4096;
// Request line and headers must fit in a connection's memory pool (MHD halves
// it between reading and writing): about 16 KiB of header text.
static const size_t connectionMemoryBytes = 32 * 1024;
static const unsigned maxHeaderCount = 64;
// Only a replay upload (a POST of secure.php) takes a body; a short one on
// any other request is read and dropped.
static const size_t maxBodyBytes = 64 * 1024;
// An upload still incomplete after this long is cut off, however it trickles.
static const int maxUploadSeconds = 60;
static const char securePath[] = "/secure.php";
static const char textType[] = "text/plain";
static const char htmlType[] = "text/html; charset=utf-8";
static const char binaryType[] = "application/octet-stream";
static const char metricsType[] = "text/plain; version=0.0.4";
static const char loopbackCidrs[] = "127.0.0.0/8,::1/128";
// Public pages change with every verdict, so caches keep them briefly; a
// verified replay's file never changes.
static const char pageCaching[] = "public, max-age=30";
static const char replayFileCaching[] = "public, max-age=86400, immutable";

// What a worker needs of one request, copied out of the connection by the event thread.
struct RequestJob {
    MHD_Connection* connection = nullptr;
    std::string path;
    std::string data;  // secure.php's `data`
    long long category = 0, offset = 0;
    long long id = 0, user = 0;  // the web site's replay pages
    bool post = false;           // a replay upload: its body is kept
    std::string body;
    std::string address;  // the client, as the trusted proxy reports it
    std::string peer;     // the connection's own address
    size_t bodyBytes = 0;
    bool queued = false;
    std::chrono::steady_clock::time_point started;  // when the request was complete
    // Filled by the worker:
    int status = MHD_HTTP_OK;
    const char* type = textType;
    const char* cacheControl = nullptr;  // the Cache-Control header, when caches may keep it
    Reply reply;
};

// One open connection as the event thread and the header watchdog see it.
struct OpenConnection {
    int fd = -1;
    std::string group;  // the client's address group (an IPv6 client's /64)
    bool awaitingHeaders = true;
    std::chrono::steady_clock::time_point waitingSince;  // for the headers now awaited
    bool cut = false;
};

struct HttpServer {
    ServerContext* context = nullptr;
    MHD_Daemon* daemon = nullptr;
    unsigned maxConnections = 0;
    unsigned openConnections = 0;  // counted on the event thread only
    unsigned perGroupLimit = 0;    // connections per address group; 0 for no limit
    std::chrono::seconds headerDeadline{30};
    std::mutex connectionsMutex;  // guards the three below
    std::set<OpenConnection*> connections;
    std::map<std::string, unsigned> perGroup;
    bool watching = false;
    std::condition_variable watchdogWake;
    std::thread watchdog;
    int listenSocket = -1;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<RequestJob*> jobs;
    bool stopping = false;
    std::vector<std::thread> workers;
};

static long long numberArgument(MHD_Connection* connection, const char* key) {
    const char* value = MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, key);
    return value == nullptr ? 0 : std::strtoll(value, nullptr, 10);
}

static std::string textOf(const char* value) {
    return value == nullptr ? "" : value;
}

static std::string addressText(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address == nullptr) return "";
    if (address->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                  sizeof text);
    } else if (address->sa_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
                  sizeof text);
    }
    return text;
}

static std::string peerAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    return info == nullptr ? "" : addressText(info->client_addr);
}

static OpenConnection* openConnectionOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info == nullptr ? nullptr : static_cast<OpenConnection*>(info->socket_context);
}

// The connection's request headers have come (`arrived`), or the next ones are awaited.
static void markHeaders(HttpServer& server, MHD_Connection* connection, bool arrived) {
    OpenConnection* open = openConnectionOf(connection);
    if (open == nullptr) return;
    std::lock_guard<std::mutex> lock(server.connectionsMutex);
    open->awaitingHeaders = !arrived;
    open->waitingSince = std::chrono::steady_clock::now();
}

// Every X-Forwarded-For line in the order received, as one list: a proxy may
// add a line of its own after one the client wrote, and only the end counts.
static MHD_Result collectForwarded(void* cls, MHD_ValueKind, const char* key, const char* value) {
    auto* list = static_cast<std::string*>(cls);
    if (key != nullptr && value != nullptr && strcasecmp(key, "X-Forwarded-For") == 0)
        *list += (list->empty() ? "" : ",") + std::string(value);
    return MHD_YES;
}

static std::string forwardedList(MHD_Connection* connection) {
    std::string list;
    MHD_get_connection_values(connection, MHD_HEADER_KIND, collectForwarded, &list);
    return list;
}

static void fillJob(HttpServer& server, MHD_Connection* connection, const char* url,
                    RequestJob& job) {
    job.connection = connection;
    job.started = std::chrono::steady_clock::now();
    job.path = url;
    job.data = textOf(MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, "data"));
    job.category = numberArgument(connection, "category");
    job.offset = numberArgument(connection, "offset");
    job.id = numberArgument(connection, "id");
    job.user = numberArgument(connection, "user");
    job.peer = peerAddress(connection);
    job.address =
        forwardedClient(job.peer, forwardedList(connection), server.context->trustedProxies);
}

static const std::string patchRoute = "/patches/";

// /healthz: "ok" while the database answers a trivial query, else 503.
static void answerHealth(ServerContext& context, RequestJob& job) {
    ConnectionLease lease(context.database);
    bool reachable = sqlExec(lease.connection, "SELECT 1", {}) == SqlStatus::Ok;
    job.status = reachable ? MHD_HTTP_OK : MHD_HTTP_SERVICE_UNAVAILABLE;
    job.reply.text = reachable ? "ok\n" : "database unreachable\n";
}

// The counters tell load and errors to anyone who reads them: only this
// machine and the addresses given with --metrics-from may.
static void answerMetrics(ServerContext& context, RequestJob& job) {
    if (!cidrListContains(loopbackCidrs, job.address) &&
        !cidrListContains(context.metricsFrom, job.address)) {
        logBadInput("metrics refused to " + job.address);
        job.status = MHD_HTTP_FORBIDDEN;
        job.reply.text = "fail";
        return;
    }
    job.type = metricsType;
    job.reply.text = metricsText();
}

// The operator's routes, beside the game's and the web site's.
static bool answerOperatorRoute(ServerContext& context, RequestJob& job) {
    if (job.path == "/healthz") {
        answerHealth(context, job);
    } else if (job.path == "/metrics") {
        answerMetrics(context, job);
    } else {
        return false;
    }
    return true;
}

static void answerWebPage(ServerContext& context, RequestJob& job) {
    job.type = htmlType;
    if (job.path == "/") {
        job.reply.text = indexPageHtml();
    } else if (job.path == "/ranking") {
        job.reply.text = rankingPageHtml(context, static_cast<int>(job.category), job.offset);
    } else if (job.path == "/account") {
        job.reply.text = accountHelpPageHtml();
    } else if (job.path == "/replays") {
        job.reply.text = playerReplaysPageHtml(context, job.user);
    } else if (job.path == "/replay") {
        job.reply.text = replayPageHtml(context, job.id);
    } else {
        job.type = textType;
        job.status = MHD_HTTP_NOT_FOUND;
        job.reply.text = "fail";
    }
}

// The web site and the public replays are for anyone: each address group has
// an allowance a minute, and caches may keep what was found.
static void answerPublicRoute(ServerContext& context, RequestJob& job) {
    if (!publicPageAllowed(addressGroup(job.address))) {
        logBadInput("public pages refused to " + job.address + ": too many a minute");
        job.status = MHD_HTTP_TOO_MANY_REQUESTS;
        job.reply.text = "fail";
        return;
    }
    PublicReply replay;
    if (answerReplayFileRoute(context, job.path, job.category, replay)) {
        job.status = replay.status;
        job.type = replay.binary ? binaryType : textType;
        job.reply.text = replay.text;
    } else {
        answerWebPage(context, job);
    }
    if (job.status == MHD_HTTP_OK)
        job.cacheControl = replay.binary ? replayFileCaching : pageCaching;
}

// Runs on a worker: the reply for one request.
static void runJob(ServerContext& context, RequestJob& job) {
    if (job.bodyBytes > (job.post ? replayBodyLimit : maxBodyBytes)) {
        job.status = MHD_HTTP_CONTENT_TOO_LARGE;
        job.reply.text = "fail";
    } else if (job.path == securePath) {
        job.reply = handleSecureData(context, job.data, job.address, job.body);
        if (job.reply.fileFd >= 0) job.type = binaryType;
        if (job.reply.tryLater) job.status = MHD_HTTP_SERVICE_UNAVAILABLE;
    } else if (answerOperatorRoute(context, job)) {
    } else if (job.path.compare(0, patchRoute.size(), patchRoute) == 0) {
        if (openPublishedPatch(context, job.path.substr(1), job.reply.fileFd, job.reply.fileSize)) {
            job.type = binaryType;
        } else {
            job.status = MHD_HTTP_NOT_FOUND;
            job.reply.text = "fail";
        }
    } else {
        answerPublicRoute(context, job);
    }
}

static void runWorker(HttpServer* server) {
    for (;;) {
        RequestJob* job = nullptr;
        {
            std::unique_lock<std::mutex> lock(server->mutex);
            server->wake.wait(lock, [server] { return server->stopping || !server->jobs.empty(); });
            if (server->jobs.empty()) return;
            job = server->jobs.front();
            server->jobs.pop_front();
        }
        try {
            runJob(*server->context, *job);
        } catch (const std::exception& error) {
            logLine(std::string("request raised an exception: ") + error.what());
            job->status = MHD_HTTP_INTERNAL_SERVER_ERROR;
            job->reply = Reply();
            job->reply.text = "fail";
        }
        MHD_resume_connection(job->connection);
    }
}

// False when the queue is full or the server is stopping: the request is answered 503.
static bool queueJob(HttpServer& server, RequestJob* job) {
    {
        std::lock_guard<std::mutex> lock(server.mutex);
        if (server.stopping || server.jobs.size() >= maxQueuedJobs) return false;
        server.jobs.push_back(job);
    }
    server.wake.notify_one();
    return true;
}

static MHD_Result sendText(MHD_Connection* connection, unsigned status, const std::string& text,
                           const char* type, const char* cacheControl = nullptr) {
    MHD_Response* response = MHD_create_response_from_buffer(
        text.size(), const_cast<char*>(text.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    if (cacheControl != nullptr)
        MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, cacheControl);
    MHD_Result result = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return result;
}

static void countJob(const RequestJob& job) {
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - job.started;
    countRequest(endpointLabel(job.path), job.status, job.reply.text == "fail", seconds.count());
}

static MHD_Result sendReply(RequestJob& job) {
    countJob(job);
    if (job.reply.fileFd < 0)
        return sendText(job.connection, job.status, job.reply.text, job.type, job.cacheControl);
    // The response owns the descriptor from here on and streams the file from disk.
    MHD_Response* response =
        MHD_create_response_from_fd64(static_cast<uint64_t>(job.reply.fileSize), job.reply.fileFd);
    if (response == nullptr) {
        ::close(job.reply.fileFd);
        return MHD_NO;
    }
    job.reply.fileFd = -1;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, job.type);
    MHD_Result result = MHD_queue_response(job.connection, job.status, response);
    MHD_destroy_response(response);
    return result;
}

static bool isReplayUpload(const char* method, const char* url) {
    return std::strcmp(method, MHD_HTTP_METHOD_POST) == 0 && std::strcmp(url, securePath) == 0;
}

static size_t bodyLimit(bool upload) {
    return upload ? replayBodyLimit : maxBodyBytes;
}

// A request that announces more body than its route takes is refused before the body comes.
static bool announcesTooMuch(MHD_Connection* connection, bool upload) {
    const char* length =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (length == nullptr) return false;
    return std::strtoull(length, nullptr, 10) > bodyLimit(upload);
}

static MHD_Result refuseBody(MHD_Connection* connection, bool upload) {
    logBadInput(std::string(upload ? "replay upload" : "request body") + " from " +
                peerAddress(connection) + " refused: over " + std::to_string(bodyLimit(upload)) +
                " bytes");
    return sendText(connection, MHD_HTTP_CONTENT_TOO_LARGE, "fail", textType);
}

// The first call, with the headers: refuse what no route takes, or start the job.
static MHD_Result beginRequest(MHD_Connection* connection, const char* url, const char* method,
                               void** state) {
    if (MHD_get_connection_values(connection, MHD_HEADER_KIND, nullptr, nullptr) >
        static_cast<int>(maxHeaderCount)) {
        return sendText(connection, MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE, "fail", textType);
    }
    bool upload = isReplayUpload(method, url);
    if (!upload && std::strcmp(method, MHD_HTTP_METHOD_GET) != 0 &&
        std::strcmp(method, MHD_HTTP_METHOD_HEAD) != 0) {
        return sendText(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "fail", textType);
    }
    if (announcesTooMuch(connection, upload)) return refuseBody(connection, upload);
    auto* job = new RequestJob();
    job->post = upload;
    job->started = std::chrono::steady_clock::now();
    *state = job;
    return MHD_YES;
}

static std::string bodyProblem(const RequestJob& job) {
    if (job.bodyBytes > bodyLimit(job.post))
        return "over " + std::to_string(bodyLimit(job.post)) + " bytes";
    std::chrono::duration<double> taken = std::chrono::steady_clock::now() - job.started;
    if (taken.count() > maxUploadSeconds)
        return "not complete after " + std::to_string(maxUploadSeconds) + " s";
    return "";
}

// A piece of the body: kept for an upload, counted and dropped otherwise. A
// body past its route's limit, or an upload past the time allowed, closes
// its connection before any more is read.
static MHD_Result takeBody(MHD_Connection* connection, RequestJob& job, const char* data,
                           size_t size) {
    job.bodyBytes += size;
    std::string why = bodyProblem(job);
    if (!why.empty()) {
        logBadInput(std::string(job.post ? "replay upload" : "request body") + " from " +
                    peerAddress(connection) + " cut off: " + why);
        return MHD_NO;
    }
    if (job.post) job.body.append(data, size);
    return MHD_YES;
}

static MHD_Result answerRequest(void* cls, MHD_Connection* connection, const char* url,
                                const char* method, const char*, const char* uploadData,
                                size_t* uploadSize, void** state) {
    auto* server = static_cast<HttpServer*>(cls);
    auto* job = static_cast<RequestJob*>(*state);
    if (job == nullptr) {
        markHeaders(*server, connection, true);
        return beginRequest(connection, url, method, state);
    }
    if (*uploadSize != 0) {
        size_t size = *uploadSize;
        *uploadSize = 0;
        return takeBody(connection, *job, uploadData, size);
    }
    if (job->queued) return sendReply(*job);
    fillJob(*server, connection, url, *job);
    if (!queueJob(*server, job)) {
        logBadInput("busy: request from " + job->address + " refused");
        countRequest(endpointLabel(job->path), MHD_HTTP_SERVICE_UNAVAILABLE, true, 0);
        return sendText(connection, MHD_HTTP_SERVICE_UNAVAILABLE, "fail", textType);
    }
    job->queued = true;
    MHD_suspend_connection(connection);
    return MHD_YES;
}

static void requestCompleted(void* cls, MHD_Connection* connection, void** state,
                             MHD_RequestTerminationCode) {
    markHeaders(*static_cast<HttpServer*>(cls), connection, false);
    auto* job = static_cast<RequestJob*>(*state);
    if (job != nullptr && job->reply.fileFd >= 0) ::close(job->reply.fileFd);
    delete job;
    *state = nullptr;
}

// Past the caps a new connection is accepted and closed at once, so the client
// learns straight away instead of waiting in the kernel's queue. The cap per
// address counts an IPv6 client's whole /64, which one household holds.
static MHD_Result admitConnection(void* cls, const sockaddr* address, socklen_t) {
    auto* server = static_cast<HttpServer*>(cls);
    if (server->openConnections >= server->maxConnections) {
        logBadInput("connection refused: " + std::to_string(server->openConnections) + " open");
        return MHD_NO;
    }
    if (server->perGroupLimit == 0) return MHD_YES;
    std::string group = addressGroup(addressText(address));
    std::lock_guard<std::mutex> lock(server->connectionsMutex);
    auto found = server->perGroup.find(group);
    if (found == server->perGroup.end() || found->second < server->perGroupLimit) return MHD_YES;
    logBadInput("connection refused: " + std::to_string(found->second) + " open from " + group);
    return MHD_NO;
}

static void openedConnection(HttpServer& server, MHD_Connection* connection, void** context) {
    auto* open = new OpenConnection();
    const MHD_ConnectionInfo* fd =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    open->fd = fd == nullptr ? -1 : fd->connect_fd;
    open->group = addressGroup(peerAddress(connection));
    open->waitingSince = std::chrono::steady_clock::now();
    *context = open;
    std::lock_guard<std::mutex> lock(server.connectionsMutex);
    server.connections.insert(open);
    ++server.perGroup[open->group];
}

// Called before the library closes the socket, so the watchdog never sees a reused descriptor.
static void closedConnection(HttpServer& server, void** context) {
    auto* open = static_cast<OpenConnection*>(*context);
    if (open == nullptr) return;
    {
        std::lock_guard<std::mutex> lock(server.connectionsMutex);
        server.connections.erase(open);
        auto group = server.perGroup.find(open->group);
        if (group != server.perGroup.end() && --group->second == 0) server.perGroup.erase(group);
    }
    delete open;
    *context = nullptr;
}

static void countConnection(void* cls, MHD_Connection* connection, void** context,
                            MHD_ConnectionNotificationCode change) {
    auto* server = static_cast<HttpServer*>(cls);
    if (change == MHD_CONNECTION_NOTIFY_STARTED) {
        ++server->openConnections;
        openedConnection(*server, connection, context);
    }
    if (change == MHD_CONNECTION_NOTIFY_CLOSED) {
        --server->openConnections;
        closedConnection(*server, context);
    }
    setOpenConnections(server->openConnections);
}

// The idle time-out restarts with every byte, so a client trickling its
// headers could hold a connection for ever: past the deadline its socket is
// shut down, and the library closes the connection.
static void cutLateHeaders(HttpServer& server) {
    auto now = std::chrono::steady_clock::now();
    for (OpenConnection* open : server.connections) {
        if (!open->awaitingHeaders || open->cut || open->fd < 0) continue;
        if (now - open->waitingSince < server.headerDeadline) continue;
        ::shutdown(open->fd, SHUT_RDWR);
        open->cut = true;
        logBadInput("connection from " + open->group + " cut off: no complete request after " +
                    std::to_string(server.headerDeadline.count()) + " s");
    }
}

static void runWatchdog(HttpServer* server) {
    std::unique_lock<std::mutex> lock(server->connectionsMutex);
    while (server->watching) {
        cutLateHeaders(*server);
        server->watchdogWake.wait_for(lock, std::chrono::seconds(1));
    }
}

static void logFromLibrary(void*, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    logBadInput("http: " + line);
}

static bool failWith(std::string& error, const std::string& text) {
    error = text;
    return false;
}

// A listening socket of our own: no SO_REUSEPORT, so a second server on the
// same port fails to start instead of quietly sharing the connections.
static int openListenSocket(const std::string& host, int& port, std::string& error) {
    sockaddr_storage address{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<uint16_t>(port));
        length = sizeof *v4;
    } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(port));
        length = sizeof *v6;
    } else {
        failWith(error, "--listen needs a numeric IPv4 or IPv6 address, not " + host);
        return -1;
    }
    int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    int on = 1;
    // SO_REUSEADDR only lets a restart bind past old TIME_WAIT connections.
    if (fd >= 0) ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd, listenBacklog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        failWith(error, "cannot listen on " + host + ":" + std::to_string(port) + ": " +
                            std::strerror(errno));
        if (fd >= 0) ::close(fd);
        return -1;
    }
    port = ntohs(address.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
    return fd;
}

static bool isWildcard(const std::string& host) {
    return host == "0.0.0.0" || host == "::" || host == "[::]";
}

static bool choosePublicUrl(ServerContext& context, const HttpSettings& settings,
                            std::string& error) {
    if (!context.publicUrl.empty()) return true;
    if (isWildcard(settings.host)) {
        return failWith(error, "listening on " + settings.host +
                                   " needs --public-url: clients cannot reach that address");
    }
    std::string scheme = settings.tlsKeyPem.empty() ? "http://" : "https://";
    std::string host =
        settings.host.find(':') == std::string::npos ? settings.host : "[" + settings.host + "]";
    context.publicUrl = scheme + host + ":" + std::to_string(settings.port);
    return true;
}

static MHD_Daemon* startDaemon(HttpServer& server, const HttpSettings& settings,
                               std::string& error) {
    bool tls = !settings.tlsKeyPem.empty();
    if (tls && MHD_is_feature_supported(MHD_FEATURE_TLS) != MHD_YES) {
        failWith(error, "this libmicrohttpd has no TLS support");
        return nullptr;
    }
    unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG |
                     (tls ? MHD_USE_TLS : 0);
    // Behind a trusted proxy every connection comes from the proxy itself.
    server.perGroupLimit =
        server.context->trustedProxies.empty() ? settings.perAddressConnections : 0;
    server.headerDeadline = std::chrono::seconds(settings.headerSeconds);
    MHD_OptionItem tlsOptions[] = {
        {tls ? MHD_OPTION_HTTPS_MEM_KEY : MHD_OPTION_END, 0,
         const_cast<char*>(settings.tlsKeyPem.c_str())},
        {MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char*>(settings.tlsCertificatePem.c_str())},
        {MHD_OPTION_END, 0, nullptr}};
    server.maxConnections = settings.maxConnections;
    MHD_Daemon* daemon = MHD_start_daemon(
        flags, 0, admitConnection, &server, answerRequest, &server, MHD_OPTION_EXTERNAL_LOGGER,
        logFromLibrary, nullptr, MHD_OPTION_LISTEN_SOCKET, server.listenSocket,
        MHD_OPTION_CONNECTION_LIMIT, settings.maxConnections + acceptMargin,
        MHD_OPTION_NOTIFY_CONNECTION, countConnection, &server, MHD_OPTION_CONNECTION_TIMEOUT,
        settings.idleSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT, connectionMemoryBytes,
        MHD_OPTION_NOTIFY_COMPLETED, requestCompleted, &server, MHD_OPTION_ARRAY, tlsOptions,
        MHD_OPTION_END);
    if (daemon == nullptr) failWith(error, "the HTTP server did not start (bad TLS files?)");
    return daemon;
}

HttpServer* startHttpServer(ServerContext& context, HttpSettings& settings, std::string& error) {
    auto* server = new HttpServer();
    server->context = &context;
    server->listenSocket = openListenSocket(settings.host, settings.port, error);
    if (server->listenSocket < 0 || !choosePublicUrl(context, settings, error)) {
        if (server->listenSocket >= 0) ::close(server->listenSocket);
        delete server;
        return nullptr;
    }
    server->daemon = startDaemon(*server, settings, error);
    if (server->daemon == nullptr) {
        ::close(server->listenSocket);
        delete server;
        return nullptr;
    }
    for (int i = 0; i < std::max(settings.threads, 1); ++i)
        server->workers.emplace_back(runWorker, server);
    server->watching = true;
    server->watchdog = std::thread(runWatchdog, server);
    return server;
}

void stopHttpServer(HttpServer* server) {
    if (server == nullptr) return;
    MHD_socket listening = MHD_quiesce_daemon(server->daemon);
    {
        std::lock_guard<std::mutex> lock(server->mutex);
        server->stopping = true;
    }
    server->wake.notify_all();
    // The workers finish every queued job, so no connection stays suspended.
    for (std::thread& worker : server->workers) worker.join();
    {
        std::lock_guard<std::mutex> lock(server->connectionsMutex);
        server->watching = false;
    }
    server->watchdogWake.notify_all();
    server->watchdog.join();
    MHD_stop_daemon(server->daemon);
    if (listening != MHD_INVALID_SOCKET) ::close(listening);
    delete server;
}
