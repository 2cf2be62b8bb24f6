// The server's counters for /metrics, in the Prometheus text format. One set
// per process, updated from any thread without locks on the hot paths.
#pragma once

#include <string>

// One answered HTTP request: its route, status code, whether the game's reply
// was "fail", and the seconds from the complete request to the queued reply.
void countRequest(const std::string& endpoint, int status, bool failReply, double seconds);
// One RSA block decrypted (or refused) by the secure endpoint.
void countRsaDecryption(bool ok);
// One statement the database refused or could not run.
void countDatabaseError();
// Connections open right now.
void setOpenConnections(long long count);
// Requests waiting for a database connection right now.
void setDatabaseWaiters(long long count);

// The route label of a request path: the known routes by name, "other" for
// the rest, so a client cannot create labels at will.
std::string endpointLabel(const std::string& path);
// Every metric as text/plain; version=0.0.4.
std::string metricsText();
