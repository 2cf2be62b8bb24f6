// The counters behind /metrics: labels a client cannot invent, database
// errors counted where statements fail, a histogram whose buckets add up.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "server/metrics.h"
#include "server/storage.h"
#include "tests/temp_folder.h"

// The value of one sample line of metricsText(), -1 when absent.
static double sample(const std::string& name) {
    std::string text = metricsText();
    size_t at = text.find("\n" + name + " ");
    return at == std::string::npos ? -1 : std::stod(text.substr(at + name.size() + 2));
}

TEST(Metrics, RouteLabelsAreAFixedSet) {
    EXPECT_EQ(endpointLabel("/secure.php"), "/secure.php");
    EXPECT_EQ(endpointLabel("/patches/zentrix_1.2"), "/patches/");
    EXPECT_EQ(endpointLabel("/healthz"), "/healthz");
    EXPECT_EQ(endpointLabel("/ranking/../etc"), "other");
    EXPECT_EQ(endpointLabel("/\"}evil{"), "other");
}

TEST(Metrics, AFailedStatementCountsAsADatabaseError) {
    std::string path = tempDir() + "/metrics_test.sqlite";
    std::remove(path.c_str());
    std::string error;
    Database* database = openDatabase("sqlite:" + path, 1, error);
    ASSERT_NE(database, nullptr) << error;
    double before = sample("zentrix_database_errors_total");
    {
        ConnectionLease lease(database);
        EXPECT_EQ(sqlExec(lease.connection, "SELECT 1", {}), SqlStatus::Ok);
        EXPECT_EQ(sqlExec(lease.connection, "SELECT * FROM no_such_table", {}), SqlStatus::Failed);
    }
    EXPECT_EQ(sample("zentrix_database_errors_total"), before + 1);
    closeDatabase(database);
    std::remove(path.c_str());
}

TEST(Metrics, LatencyBucketsAreCumulative) {
    double fastBefore = sample("zentrix_http_request_duration_seconds_bucket{le=\"0.001\"}");
    double slowBefore = sample("zentrix_http_request_duration_seconds_bucket{le=\"1\"}");
    double countBefore = sample("zentrix_http_request_duration_seconds_count");
    countRequest("/", 200, false, 0.0005);
    countRequest("/", 200, false, 0.7);
    countRequest("/", 200, false, 60);
    EXPECT_EQ(sample("zentrix_http_request_duration_seconds_bucket{le=\"0.001\"}"), fastBefore + 1);
    EXPECT_EQ(sample("zentrix_http_request_duration_seconds_bucket{le=\"1\"}"), slowBefore + 2);
    EXPECT_EQ(sample("zentrix_http_request_duration_seconds_count"), countBefore + 3);
    EXPECT_EQ(sample("zentrix_http_request_duration_seconds_bucket{le=\"+Inf\"}"), countBefore + 3);
    EXPECT_GE(sample("zentrix_http_requests_total{endpoint=\"/\",code=\"200\",result=\"ok\"}"), 3);
}
