// The HTTP front: secure.php, patch downloads and the small web site, on
// cpp-httplib's thread pool.
#pragma once

#include <string>

#include "server/context.h"

struct HttpServer;  // a listening server and its thread

// Binds `host`:`port` (0 picks a free port, written back into `port`) and
// serves on a background thread with `threads` workers; nullptr on failure.
// An empty `context.publicUrl` becomes "http://host:port".
HttpServer* startHttpServer(ServerContext& context, const std::string& host, int& port, int threads,
                            std::string& error);
// Stops listening, finishes the requests in hand and frees the server.
void stopHttpServer(HttpServer* server);

// The `data` value inside a raw request target ("/secure.php?data=..."), with
// any percent escapes undone; "" when there is none.
std::string dataParameter(const std::string& target);
