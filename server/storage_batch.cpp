// Group commit: a writer thread runs the write transactions of all request
// threads, as many as are waiting, in one database transaction, each inside
// its own savepoint, so one WAL flush makes a whole batch durable. A request is
// answered only after the commit of its batch returned.
//
// SQLite has one writer. PostgreSQL has several per server, and every server
// on the database has its own: a batch holds the rows of all its jobs until it
// commits, so two batches taking rows side by side would deadlock often. A
// batch therefore runs its statements under a database-wide lock that it lets
// go just before its COMMIT: the next batch works while this one's flush runs.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "server/log.h"
#include "server/metrics.h"
#include "server/storage_backends.h"

static SqlStatus run(DbConnection* connection, const char* sql) {
    SqlStatus status = connection->backend == Backend::Sqlite
                           ? sqliteExec(*connection, sql, {}, nullptr)
                           : postgresRunBatch(*connection, {SqlStatement{sql, {}, nullptr}});
    if (status == SqlStatus::Failed) countDatabaseError();
    return status;
}

// Any fixed number, other than the migrations' lock: one batch at a time runs statements.
static const char batchLockSql[] = "SELECT pg_advisory_lock(7270515)";
static const char batchUnlockSql[] = "SELECT pg_advisory_unlock(7270515)";
static const char releaseLocksSql[] = "SELECT pg_advisory_unlock_all()";
static std::atomic<bool> loseCommitAnswer{false};

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
    std::mutex mutex;
    std::condition_variable wake;  // jobs are waiting, or the writers should stop
    std::deque<WriteJob*> pending;
    bool stopping = false;
    std::vector<std::thread> threads;  // one per writer connection
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

static bool transactionAlive(DbConnection* connection) {
    return connection->backend == Backend::Sqlite ? sqliteInTransaction(*connection)
                                                  : postgresInTransaction(*connection);
}

// One job inside its savepoint: a failed job is undone without touching its
// batch-mates. On PostgreSQL the writes it left for the end go out with the
// RELEASE; a key taken there means the job runs again.
static SqlStatus runJob(DbConnection* connection, WriteJob& job) {
    SqlStatus status = run(connection, "SAVEPOINT job");
    if (status != SqlStatus::Ok) return status;
    status = (*job.body)(connection);
    if (status == SqlStatus::Ok) {
        status = run(connection, "RELEASE SAVEPOINT job");
        if (status == SqlStatus::Conflict) status = SqlStatus::Retry;
    }
    if (status == SqlStatus::Failed) logLine("database: " + connection->lastError);
    if (status == SqlStatus::Ok) return status;
    run(connection, "ROLLBACK TO SAVEPOINT job");
    run(connection, "RELEASE SAVEPOINT job");
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

// BEGIN, and on PostgreSQL the turn to run statements.
static SqlStatus beginBatch(DbConnection* connection) {
    if (connection->backend == Backend::Sqlite) return run(connection, "BEGIN IMMEDIATE");
    SqlStatus status = run(connection, "BEGIN");
    return status == SqlStatus::Ok ? run(connection, batchLockSql) : status;
}

// The COMMIT; on PostgreSQL it first hands the turn to the next batch.
static SqlStatus commitTransaction(DbConnection* connection) {
    if (connection->backend == Backend::Sqlite) return run(connection, "COMMIT");
    SqlBatch end = {SqlStatement{batchUnlockSql, {}, nullptr}, SqlStatement{"COMMIT", {}, nullptr}};
    SqlStatus status = postgresRunBatch(*connection, end);
    return status == SqlStatus::Conflict ? SqlStatus::Retry : status;
}

static void rollBack(DbConnection* connection) {
    run(connection, "ROLLBACK");
    if (connection->backend == Backend::Postgres) run(connection, releaseLocksSql);
}

// Runs the jobs in order; false (the rest marked for a retry) once the
// transaction is lost, which undoes the jobs before it too.
static bool runJobs(DbConnection* connection, std::vector<WriteJob*>& batch) {
    for (size_t i = 0; i < batch.size(); ++i) {
        batch[i]->status = runJob(connection, *batch[i]);
        // Some errors (disk full, I/O, a lost connection) end the whole transaction.
        if (!transactionAlive(connection)) {
            setStatus(batch, i + 1, SqlStatus::Retry);
            undoSucceeded(batch, SqlStatus::Retry);
            return false;
        }
    }
    return true;
}

static void commitBatch(DbConnection* connection, std::vector<WriteJob*>& batch) {
    std::unique_lock<std::mutex> writer;
    if (connection->writeLock != nullptr)
        writer = std::unique_lock<std::mutex>(*connection->writeLock);
    SqlStatus begun = beginBatch(connection);
    if (begun != SqlStatus::Ok) {
        rollBack(connection);
        return setStatus(batch, 0, begun);
    }
    if (!runJobs(connection, batch)) {
        // SQLite has already undone it; PostgreSQL's session may hold the turn still.
        if (connection->backend == Backend::Postgres) rollBack(connection);
        return;
    }
    SqlStatus committed = commitTransaction(connection);
    if (committed == SqlStatus::Ok) {
        // The test's lost answer: the batch committed, its jobs are told to run again.
        if (loseCommitAnswer.exchange(false)) undoSucceeded(batch, SqlStatus::Retry);
        return;
    }
    logLine("database: commit failed: " + connection->lastError);
    rollBack(connection);
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

static void runWriter(WriteBatcher* batcher, DbConnection* connection) {
    std::vector<WriteJob*> batch;
    while (takeBatch(*batcher, batch)) {
        commitBatch(connection, batch);
        settleBatch(*batcher, batch);
    }
}

WriteBatcher* startWriteBatcher(const std::vector<DbConnection*>& writers) {
    auto* batcher = new WriteBatcher();
    for (DbConnection* connection : writers)
        batcher->threads.emplace_back(runWriter, batcher, connection);
    return batcher;
}

size_t queuedWrites(WriteBatcher* batcher) {
    if (batcher == nullptr) return 0;
    std::lock_guard<std::mutex> lock(batcher->mutex);
    return batcher->pending.size();
}

void loseNextCommitAnswer() {
    loseCommitAnswer = true;
}

void stopWriteBatcher(WriteBatcher* batcher) {
    if (batcher == nullptr) return;
    {
        std::lock_guard<std::mutex> lock(batcher->mutex);
        batcher->stopping = true;
    }
    batcher->wake.notify_all();
    for (std::thread& thread : batcher->threads) thread.join();
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
