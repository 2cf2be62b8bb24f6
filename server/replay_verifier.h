// The verification of uploaded replays: worker threads take pending replays
// from the database, one at a time each, and hand them to a long-lived replay
// checker process of their own (zentrix-replay-check --serve), which loads the
// levels once and plays replay after replay. The rules keep their state in
// globals, so each worker's checker is a process apart; a hostile replay that
// crashes its checker or misses its deadline costs only that process, which
// is killed and replaced.
#pragma once

#include <sys/types.h>

#include <string>

#include "server/context.h"
#include "server/replays.h"

struct VerifierSettings {
    int workers = 1;           // worker threads, each with one checker process; 0 for none
    std::string checker;       // the checker program
    std::string archive;       // the game's asset archive, whose levels the checker plays
    int timeoutSeconds = 120;  // the deadline of the longest run (Survival's); see below
};

// One running checker process and our ends of its pipes (pid 0: none running).
struct ReplayChecker {
    pid_t pid = 0;
    int toChild = -1, fromChild = -1;
};

// The checker next to the running server program, and the archive next to it
// (a build folder) or in the installed data folder ("" when unknown).
std::string defaultCheckerPath();
std::string defaultArchivePath();

// A replay's deadline: the time-out's share for its mode's longest run
// (Survival runs five times longer than the others), at least 1 s.
int checkDeadlineSeconds(const VerifierSettings& settings, int mode);

// Plays one replay on `checker`, starting it first when none runs. A checker
// that crashes, exits or misses the deadline is killed, the replay rejected
// with the reason, and the next call starts a fresh one. False when it could
// not judge (program or archive missing), so the replay stays pending.
bool checkReplay(const VerifierSettings& settings, ReplayChecker& checker,
                 const StoredReplay& replay, ReplayVerdictRecord& verdict);
// CPU seconds (user and system) a running process has used; -1 when unknown.
double processCpuSeconds(pid_t pid);
// Ends the checker process, if any.
void stopChecker(ReplayChecker& checker);
// One replay on a checker of its own, stopped afterwards.
bool runReplayChecker(const VerifierSettings& settings, const StoredReplay& replay,
                      ReplayVerdictRecord& verdict);

// Starts the workers (they also pick up what a stopped server left pending).
void startReplayVerifier(ServerContext& context, const VerifierSettings& settings);
// Tells the workers a replay was stored.
void wakeReplayVerifier();
// Lets the checks in hand finish and stops the workers.
void stopReplayVerifier();
