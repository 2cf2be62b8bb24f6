// Group commit for SQLite: one writer thread runs the write transactions of
// all request threads, as many as are waiting, in one database transaction,
// each inside its own savepoint, so one fsync makes a whole batch durable.
// A request is answered only after the commit of its batch returned.
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "server/log.h"
#include "server/metrics.h"
#include "server/storage_backends.h"

// The batcher runs on SQLite alone and speaks to it directly.
static SqlStatus run(DbConnection* connection, const char* sql) {
    SqlStatus status = sqliteExec(*connection, sql, {}, nullptr);
    if (status == SqlStatus::Failed) countDatabaseError();
    return status;
}

// Enough to amortise one fsync over every worker thread; keeps a batch's latency bounded.
static const size_t maxBatchJobs = 256;
static const int maxJobAttempts = 8;

// A promise, not a shared condition variable: waking all waiters at once makes
// the writer wait for every one of them to be scheduled.
struct WriteJob {
    const std::function<SqlStatus(DbConnection*)>* body = nullptr;
    SqlStatus status = SqlStatus::Ok;
    int attempts = 0;
    std::promise<SqlStatus> settled;
};

struct WriteBatcher {
    DbConnection* connection = nullptr;  // the writer's own connection
    std::mutex mutex;
    std::condition_variable wake;  // jobs are waiting, or the writer should stop
    std::deque<WriteJob*> pending;
    bool stopping = false;
    std::thread thread;
};

// Waits for jobs and moves up to a batch of them out of the queue; false once stopped and empty.
static bool takeBatch(WriteBatcher& batcher, std::vector<WriteJob*>& batch) {
    std::unique_lock<std::mutex> lock(batcher.mutex);
    batcher.wake.wait(lock, [&batcher] { return batcher.stopping || !batcher.pending.empty(); });
    batch.clear();
    while (!batcher.pending.empty() && batch.size() < maxBatchJobs) {
        batch.push_back(batcher.pending.front());
        batcher.pending.pop_front();
    }
    return !batch.empty();
}

// One job inside its savepoint: a failed job is undone without touching its batch-mates.
static SqlStatus runJob(DbConnection* connection, WriteJob& job) {
    SqlStatus status = run(connection, "SAVEPOINT job");
    if (status != SqlStatus::Ok) return status;
    status = (*job.body)(connection);
    if (status == SqlStatus::Failed) logLine("database: " + connection->lastError);
    if (status != SqlStatus::Ok) run(connection, "ROLLBACK TO job");
    run(connection, "RELEASE job");
    return status;
}

static void setStatus(std::vector<WriteJob*>& batch, size_t from, SqlStatus status) {
    for (size_t i = from; i < batch.size(); ++i) batch[i]->status = status;
}

// Every job that had succeeded is undone with the transaction; they run again.
static void undoSucceeded(std::vector<WriteJob*>& batch, SqlStatus status) {
    for (WriteJob* job : batch) {
        if (job->status == SqlStatus::Ok) job->status = status;
    }
}

static void commitBatch(DbConnection* connection, std::vector<WriteJob*>& batch) {
    std::unique_lock<std::mutex> writer;
    if (connection->writeLock != nullptr)
        writer = std::unique_lock<std::mutex>(*connection->writeLock);
    SqlStatus begun = run(connection, "BEGIN IMMEDIATE");
    if (begun != SqlStatus::Ok) return setStatus(batch, 0, begun);
    for (size_t i = 0; i < batch.size(); ++i) {
        batch[i]->status = runJob(connection, *batch[i]);
        // Some errors (disk full, I/O) make SQLite drop the whole transaction.
        if (!sqliteInTransaction(*connection)) {
            setStatus(batch, i + 1, SqlStatus::Retry);
            return undoSucceeded(batch, SqlStatus::Retry);
        }
    }
    SqlStatus committed = run(connection, "COMMIT");
    // The tests' lost answer: the batch committed, yet its jobs run again.
    if (committed == SqlStatus::Ok && takeLostCommitAnswer())
        return undoSucceeded(batch, SqlStatus::Retry);
    if (committed == SqlStatus::Ok) return;
    logLine("database: commit failed: " + connection->lastError);
    run(connection, "ROLLBACK");
    undoSucceeded(batch, committed);
}

// Hands each job its result, or queues it again when the database asked for a retry.
static void settleBatch(WriteBatcher& batcher, std::vector<WriteJob*>& batch) {
    std::vector<WriteJob*> finished;
    {
        std::lock_guard<std::mutex> lock(batcher.mutex);
        for (auto job = batch.rbegin(); job != batch.rend(); ++job) {
            if ((*job)->status == SqlStatus::Retry && ++(*job)->attempts < maxJobAttempts) {
                batcher.pending.push_front(*job);
            } else {
                finished.push_back(*job);
            }
        }
    }
    for (WriteJob* job : finished) job->settled.set_value(job->status);
}

static void runWriter(WriteBatcher* batcher) {
    std::vector<WriteJob*> batch;
    while (takeBatch(*batcher, batch)) {
        commitBatch(batcher->connection, batch);
        settleBatch(*batcher, batch);
    }
}

WriteBatcher* startWriteBatcher(DbConnection* connection) {
    auto* batcher = new WriteBatcher();
    batcher->connection = connection;
    batcher->thread = std::thread(runWriter, batcher);
    return batcher;
}

void stopWriteBatcher(WriteBatcher* batcher) {
    if (batcher == nullptr) return;
    {
        std::lock_guard<std::mutex> lock(batcher->mutex);
        batcher->stopping = true;
    }
    batcher->wake.notify_one();
    batcher->thread.join();
    delete batcher;
}

SqlStatus runInBatch(WriteBatcher* batcher, const std::function<SqlStatus(DbConnection*)>& body) {
    WriteJob job;
    job.body = &body;
    std::future<SqlStatus> result = job.settled.get_future();
    {
        std::lock_guard<std::mutex> lock(batcher->mutex);
        if (batcher->stopping) return SqlStatus::Failed;
        batcher->pending.push_back(&job);
    }
    batcher->wake.notify_one();
    SqlStatus status = result.get();
    if (status == SqlStatus::Retry) logLine("database: transaction still busy after retries");
    return status;
}
