// The HTTP front: secure.php, patch downloads and the small web site, on
// libmicrohttpd. One epoll thread holds every connection, idle keep-alive and
// slow senders included, at the cost of a little memory each; only complete
// requests reach the worker threads, through a bounded queue.
#pragma once

#include <string>

#include "server/context.h"

struct HttpServer;  // a listening server, its event thread and its workers

struct HttpSettings {
    std::string host;                     // address to listen on ("0.0.0.0", "::", "127.0.0.1")
    int port = 0;                         // 0 picks a free port, written back on start
    int threads = 16;                     // workers that run the requests
    unsigned maxConnections = 10000;      // past this, new connections are closed at once
    unsigned perAddressConnections = 64;  // per address group (IPv6: per /64); 0 for no limit
    unsigned idleSeconds = 15;            // a connection silent this long is closed
    unsigned headerSeconds = 30;          // a request's headers must be whole this long after
                                          // the connection opened or its last reply went
    std::string tlsCertificatePem;        // with the key: HTTPS instead of HTTP
    std::string tlsKeyPem;
};

// Starts serving. An empty `context.publicUrl` becomes "http(s)://host:port",
// except on a wildcard address, which needs an explicit public address.
// nullptr with `error` set on failure.
HttpServer* startHttpServer(ServerContext& context, HttpSettings& settings, std::string& error);
// Stops accepting, finishes the requests in hand and frees the server.
void stopHttpServer(HttpServer* server);
