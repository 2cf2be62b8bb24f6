// The verification of uploaded replays: worker threads take pending replays
// from the database, one at a time each, and run the replay checker program
// (zentrix-replay-check) on each in a child process with a time limit. The
// game's rules keep their state in globals, so one process plays one replay;
// a hostile replay that crashes or hangs its checker costs only that process.
#pragma once

#include <string>

#include "server/context.h"
#include "server/replays.h"

struct VerifierSettings {
    int workers = 1;           // worker threads, each running one checker at a time; 0 for none
    std::string checker;       // the checker program
    std::string archive;       // the game's asset archive, whose levels the checker plays
    int timeoutSeconds = 120;  // a checker still running after this is killed: rejected
};

// The checker next to the running server program, and the archive next to it
// (a build folder) or in the installed data folder ("" when unknown).
std::string defaultCheckerPath();
std::string defaultArchivePath();

// Runs the checker on one replay. False when it could not judge (program or
// archive missing, no output), so the replay stays pending.
bool runReplayChecker(const VerifierSettings& settings, const StoredReplay& replay,
                      ReplayVerdictRecord& verdict);

// Starts the workers (they also pick up what a stopped server left pending).
void startReplayVerifier(ServerContext& context, const VerifierSettings& settings);
// Tells the workers a replay was stored.
void wakeReplayVerifier();
// Lets the checks in hand finish and stops the workers.
void stopReplayVerifier();
