// Replays: the rules' own random stream, the file format against damage, and
// bot runs in every mode recorded and played again to the same frames.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include "archive/asset_archive.h"
#include "game/play_random.h"
#include "game/replay_playback.h"
#include "game/replay_recorder.h"
#include "game_test_support.h"
#include "platform/input_state.h"
#include "platform/system.h"
#include "shell/replay_files.h"
#include "temp_folder.h"
#include "tests/time_limit.h"

namespace {

class RestoreGameplayGlobals : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        gametest::restoreWorld();
        recorder.enabled = false;
        replayFinishedHook = nullptr;
    }
};

const bool restoreRegistered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new RestoreGameplayGlobals);
    return true;
}();

// ---- recording bot runs ----

Replay lastRecorded;
std::vector<ReplaySample> recordedSamples;

void keepReplay(const Replay& replay) {
    lastRecorded = replay;
}

// Which powerup key the player presses as soon as the charge allows: 0 none.
int32_t powerupKeyPlan = 0;

void sampleFrame() {
    recordedSamples.push_back({modeState.score, meter.mass});
    if (powerupKeyPlan == 0 || anyPowerupActive() || meter.levelOver) return;
    static const float needed[4] = {0.0f, 50.0f, 150.0f, 300.0f};
    // Held into the next frame, as a key pressed between frames is.
    if (powerups.powerCharge >= needed[powerupKeyPlan])
        platformHoldKeyForFrame('0' + powerupKeyPlan);
}

void openLevelArchive() {
    assetArchivePath = std::string(ZENTRIX_BUILD_DIR) + "/data/assets.ass";
    openAssetArchive();
}

struct RecordedRun {
    SimulationResult simulated;
    Replay replay;
    std::vector<ReplaySample> samples;
};

RecordedRun recordRun(SimulationSetup setup) {
    gametest::resetWorld();
    levelSource = loadLevelFromArchive;
    recorder.enabled = true;
    replayFinishedHook = keepReplay;
    recordedSamples.clear();
    setup.afterFrame = sampleFrame;
    RecordedRun run;
    run.simulated = runSimulation(setup);
    run.replay = lastRecorded;
    run.samples = recordedSamples;
    recorder.enabled = false;
    return run;
}

// The n-th of the 200 runs: every mode and scheme, Classic levels 1..10,
// measured-looking frame times, and every seventh with the tutorial cards.
SimulationSetup variedSetup(int n) {
    static const int32_t modes[] = {ModeCasual, ModeNormal,   ModeExpert,
                                    ModeRush,   ModeSurvival, ModeMeditation};
    SimulationSetup setup;
    setup.mode = modes[n % 6];
    setup.level = 1 + (n / 6) % 10;
    setup.seed = static_cast<uint32_t>(1000 + n);
    setup.controlScheme = n % 3;
    setup.stepMs = n % 4 == 0 ? 16.0f : 16.6667f;
    setup.stepJitterMs = n % 4 == 0 ? 0.0f : 3.0f;
    setup.tutorials = n % 7 == 0;
    setup.skill = n % 2 ? skilledBot : casualBot;
    bool classic = setup.mode <= ModeExpert;
    setup.maxMs = (classic && n % 5 == 1 ? 90 : 40) * 1000.0f;
    return setup;
}

// ---- the random stream ----

TEST(PlayRandom, FollowsTheCLibrarySequenceForEverySeedButKeepsItsOwnState) {
    for (uint32_t seed : {0u, 1u, 7u, 123456789u, 4000000000u}) {
        srand(seed);
        seedPlayRandom(seed);
        for (int i = 0; i < 2000; i++) ASSERT_EQ(rand(), playRandom()) << seed << " " << i;
    }
    seedPlayRandom(42);
    int first = playRandom();
    srand(1);
    for (int i = 0; i < 100; i++) rand();  // effects drawing from rand() meanwhile
    seedPlayRandom(42);
    EXPECT_EQ(first, playRandom());
}

// ---- the file ----

Replay sampleReplay() {
    Replay replay;
    replay.header.gameVersion = "Version 1.0.0.0";
    replay.header.mode = ModeRush;
    replay.header.seed = 99;
    replay.header.controls = 2;
    replay.header.screenWidth = 1280;
    replay.header.screenHeight = 720;
    replay.header.mouseX = 640;
    replay.header.mouseY = 360;
    replay.header.cardUp = 3;
    replay.header.dragOrigin[1] = -2.5f;
    for (int i = 0; i < 600; i++) {
        ReplayFrame frame;
        frame.dtMs = i % 5 == 0 ? 16.6667f + i * 0.001f : 16.0f;
        frame.steps = StepHoldTimers | StepGame | StepBlockPass;
        if (i % 3 == 0) frame.events.push_back({ReplayMouseMove, 640 + i % 40, 360 - i % 17});
        if (i % 50 == 0) frame.events.push_back({ReplayRightDown, 0, 0});
        if (i % 50 == 1) frame.events.push_back({ReplayKeysHeld, KeyBitPowerup2, 0});
        replay.frames.push_back(frame);
    }
    replay.result = {123450, true, false, "gamemode=4&level=5&score=123450"};
    return replay;
}

void expectSameReplay(const Replay& a, const Replay& b) {
    EXPECT_EQ(a.header.gameVersion, b.header.gameVersion);
    EXPECT_EQ(a.header.mode, b.header.mode);
    EXPECT_EQ(a.header.seed, b.header.seed);
    EXPECT_EQ(a.header.controls, b.header.controls);
    EXPECT_EQ(a.header.cardUp, b.header.cardUp);
    EXPECT_EQ(a.header.dragOrigin[1], b.header.dragOrigin[1]);
    ASSERT_EQ(a.frames.size(), b.frames.size());
    for (size_t i = 0; i < a.frames.size(); i++) {
        ASSERT_EQ(a.frames[i].dtMs, b.frames[i].dtMs) << i;
        ASSERT_EQ(a.frames[i].steps, b.frames[i].steps) << i;
        ASSERT_EQ(a.frames[i].events.size(), b.frames[i].events.size()) << i;
        for (size_t e = 0; e < a.frames[i].events.size(); e++) {
            EXPECT_EQ(a.frames[i].events[e].kind, b.frames[i].events[e].kind);
            EXPECT_EQ(a.frames[i].events[e].a, b.frames[i].events[e].a);
            EXPECT_EQ(a.frames[i].events[e].b, b.frames[i].events[e].b);
        }
    }
    EXPECT_EQ(a.result.score, b.result.score);
    EXPECT_EQ(a.result.cleared, b.result.cleared);
    EXPECT_EQ(a.result.statistics, b.result.statistics);
}

TEST(ReplayFile, RoundTripsEveryFieldAndStaysSmall) {
    Replay replay = sampleReplay();
    std::string bytes = encodeReplay(replay);
    Replay back;
    std::string error;
    ASSERT_TRUE(decodeReplay(bytes, back, error)) << error;
    expectSameReplay(replay, back);
    EXPECT_LT(bytes.size(), 2000u);  // ten seconds of frames
    EXPECT_EQ(64u, replayDigest(bytes).size());
}

// Times from the game's microsecond clock, with a real machine's jitter: they
// round-trip bit for bit and cost a fifth less than times coded by their bits.
TEST(ReplayFile, FrameTimesOfWholeMicrosecondsRoundTripAndStaySmall) {
    std::mt19937 jitter(7);
    Replay micros = sampleReplay(), other = sampleReplay();
    for (size_t i = 0; i < micros.frames.size(); i++) {
        int64_t us = 16667 + static_cast<int64_t>(jitter() % 400) - 200;
        if (i == 100) us = 0;
        if (i == 200) us = 250000;
        micros.frames[i].dtMs = frameMsFromMicros(us);
        other.frames[i].dtMs = micros.frames[i].dtMs + 0.0001f;  // off the microsecond grid
    }
    other.frames[5].dtMs = micros.frames[5].dtMs;  // the two codings meet in one replay
    for (const Replay& replay : {micros, other}) {
        Replay back;
        std::string error;
        ASSERT_TRUE(decodeReplay(encodeReplay(replay), back, error)) << error;
        expectSameReplay(replay, back);
    }
    EXPECT_LT(encodeReplay(micros).size() * 5, encodeReplay(other).size() * 4);
}

// Found by the replay fuzzer: a delta near the largest 64-bit number
// overflowed the sum it was added to. Each coded change is now refused.
TEST(ReplayFile, HugeDeltasAreRefusedBeforeTheyOverflow) {
    using namespace std::string_literals;
    // Casual, 1 x 1 window, GameState 3, no card; zero seed, flags and drag.
    std::string header = "\x00\x02\x00\x00\x02\x02\x00\x00\x00\x00\x00\x00\x06\x00\x01"s;
    header += std::string(4 + 4 + 1 + 16, '\0');
    const std::string huge = "\xfe\xff\xff\xff\xff\xff\xff\xff\xff\x01"s;
    const std::string frames[] = {"\x00"s + huge, "\x40"s + huge, "\x30\x01\x01"s + huge};
    for (const std::string& frame : frames) {
        Replay out;
        std::string error;
        finishesInTime([&] {
            EXPECT_FALSE(decodeReplay(packReplayStream(header + "\x01"s + frame), out, error));
        });
        EXPECT_EQ("a value in the replay is out of range", error);
    }
}

TEST(ReplayFile, DamageIsRefusedWithAReasonAndNeverReadPastTheEnd) {
    std::string bytes = encodeReplay(sampleReplay());
    Replay out;
    std::string error;
    for (size_t cut = 0; cut < bytes.size(); cut++) {
        EXPECT_FALSE(decodeReplay(bytes.substr(0, cut), out, error)) << cut;
        EXPECT_FALSE(error.empty());
    }
    std::string wrongMagic = bytes;
    wrongMagic[0] = 'Q';
    EXPECT_FALSE(decodeReplay(wrongMagic, out, error));
    EXPECT_EQ("the file is not a replay", error);
    for (uint16_t version : {uint16_t(0), uint16_t(replayFormatVersion + 1)}) {
        std::string unknown = bytes;
        unknown[4] = static_cast<char>(version & 0xff);
        unknown[5] = static_cast<char>(version >> 8);
        EXPECT_FALSE(decodeReplay(unknown, out, error)) << version;
        EXPECT_EQ("the replay's format version is unknown", error);
    }
    std::string huge = bytes + std::string(replayMaxFileBytes, 'x');
    EXPECT_FALSE(decodeReplay(huge, out, error));
    EXPECT_EQ("the replay is larger than 2 MB", error);
    std::string bomb = bytes;
    bomb[6] = bomb[7] = bomb[8] = bomb[9] = '\x7f';  // claims about 2 GB unpacked
    finishesInTime([&] { EXPECT_FALSE(decodeReplay(bomb, out, error)); });
    EXPECT_EQ("the replay unpacks to too much", error);
}

// Each header value at the edge of what the game can write is read; one step
// past it is refused with its reason.
TEST(ReplayFile, HeaderValuesOneStepPastTheirRangeAreRefused) {
    using Set = void (*)(ReplayHeader&, int32_t);
    const struct {
        Set set;
        int32_t edge, past;
        const char* why;
    } cases[] = {
        {[](ReplayHeader& h, int32_t v) { h.mode = v; }, 6, 7, "the replay names no game mode"},
        {[](ReplayHeader& h, int32_t v) { h.mode = v; }, 1, 0, "the replay names no game mode"},
        {[](ReplayHeader& h, int32_t v) { h.levelIndex = v; }, 20, 21,
         "the replay's level is out of range"},
        {[](ReplayHeader& h, int32_t v) { h.levelIndex = v; }, 0, -1,
         "the replay's level is out of range"},
        {[](ReplayHeader& h, int32_t v) { h.controls = v; }, 2, 3,
         "the replay's control scheme is unknown"},
        {[](ReplayHeader& h, int32_t v) { h.screenHeight = v; }, 16384, 16385,
         "the replay's window size is out of range"},
        {[](ReplayHeader& h, int32_t v) { h.viewWidth = v; }, 32768, 32769,
         "the replay's view size is out of range"},
        {[](ReplayHeader& h, int32_t v) { h.cardUp = v; }, 31, 32,
         "the replay's tutorial card is unknown"},
        {[](ReplayHeader& h, int32_t v) { h.cardUp = v; }, -1, -2,
         "the replay's tutorial card is unknown"},
    };
    for (const auto& c : cases) {
        Replay replay = sampleReplay(), out;
        std::string error;
        c.set(replay.header, c.edge);
        EXPECT_TRUE(decodeReplay(encodeReplay(replay), out, error)) << c.edge << ": " << error;
        c.set(replay.header, c.past);
        EXPECT_FALSE(decodeReplay(encodeReplay(replay), out, error)) << c.past;
        EXPECT_EQ(c.why, error) << c.past;
    }
}

TEST(ReplayFile, HostileContentInsideAValidStreamIsRefused) {
    Replay replay = sampleReplay();
    Replay out;
    std::string error;
    replay.frames[3].events.assign(replayMaxEventsPerFrame + 1, {ReplayLeftDown, 0, 0});
    EXPECT_FALSE(decodeReplay(encodeReplay(replay), out, error));
    EXPECT_EQ("a frame holds too many input events", error);
    replay = sampleReplay();
    replay.frames[5].dtMs = -1.0f;
    EXPECT_FALSE(decodeReplay(encodeReplay(replay), out, error));
    EXPECT_EQ("a frame time in the replay is out of range", error);
}

// ---- the data folder ----

TEST(ReplayFolder, KeepsTheNewestFiftyAndReadsThemBack) {
    std::string data = tempDir() + "/data";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    Replay replay = sampleReplay();
    for (int i = 1; i <= 53; i++) {
        replay.result.score = i;
        saveFinishedReplay(replay);
    }
    std::vector<std::string> names = platformListFiles(replayFolder());
    ASSERT_EQ(keptReplayCount, names.size());
    EXPECT_EQ("replay-00000004.zxr", names.front());
    EXPECT_EQ("replay-00000053.zxr", names.back());
    Replay back;
    std::string bytes, error;
    ASSERT_TRUE(readReplayFile(replayFolder() + "/" + names.back(), back, bytes, error)) << error;
    EXPECT_EQ(53, back.result.score);
    EXPECT_FALSE(readReplayFile(replayFolder() + "/none.zxr", back, bytes, error));
    EXPECT_EQ("cannot read " + replayFolder() + "/none.zxr", error);
    unsetenv("XDG_DATA_HOME");
}

// ---- playing again ----

TEST(ReplayPlayback, TwoHundredBotRunsInEveryModeReplayFrameForFrame) {
    openLevelArchive();
    int cleared = 0, lost = 0, powerupRuns = 0, timewarpRuns = 0, cards = 0, modesSeen = 0;
    bool seen[7] = {};
    for (int n = 0; n < 200; n++) {
        SimulationSetup setup = variedSetup(n);
        powerupKeyPlan = n % 5 == 1 ? 2 : n % 5 == 3 ? 1 : 0;
        RecordedRun run = recordRun(setup);
        powerupKeyPlan = 0;
        // The replay stops in the frame that settled the level; the run may wait on after it.
        ASSERT_GE(run.samples.size(), run.replay.frames.size()) << "run " << n;
        powerupRuns +=
            powerups.powerupsUsed[0] + powerups.powerupsUsed[1] + powerups.powerupsUsed[2] > 0 ? 1
                                                                                               : 0;
        timewarpRuns += powerups.powerupsUsed[1] > 0 ? 1 : 0;
        std::vector<ReplaySample> replayed;
        ReplayOutcome outcome = playReplayHeadless(run.replay, &replayed);
        ASSERT_EQ(run.replay.frames.size(), replayed.size()) << "run " << n;
        for (size_t f = 0; f < replayed.size(); f++) {
            ASSERT_EQ(run.samples[f].score, replayed[f].score) << "run " << n << " frame " << f;
            ASSERT_EQ(run.samples[f].mass, replayed[f].mass) << "run " << n << " frame " << f;
        }
        EXPECT_EQ(run.simulated.score, outcome.result.score) << "run " << n;
        EXPECT_EQ(run.replay.result.cleared, outcome.result.cleared) << "run " << n;
        EXPECT_EQ(run.replay.result.lost, outcome.result.lost) << "run " << n;
        EXPECT_EQ(run.replay.result.statistics, outcome.result.statistics) << "run " << n;
        cleared += outcome.result.cleared ? 1 : 0;
        lost += outcome.result.lost ? 1 : 0;
        if (!seen[setup.mode]) modesSeen++;
        seen[setup.mode] = true;
        cards += setup.tutorials && run.replay.header.tutorialsSeen == 0 ? 1 : 0;
    }
    EXPECT_EQ(6, modesSeen);
    // Many runs stop at their time limit; enough reach an end either way.
    EXPECT_GE(cleared, 5);
    EXPECT_GE(lost, 5);
    EXPECT_GT(cards, 0);
    EXPECT_GT(powerupRuns, 0);
    EXPECT_GT(timewarpRuns, 0);
}

// ---- verification ----

RecordedRun clearedRun(int32_t mode) {
    for (uint32_t seed = 1; seed < 40; seed++) {
        SimulationSetup setup;
        setup.mode = mode;
        setup.seed = seed;
        setup.stepMs = 16.6667f;
        setup.stepJitterMs = 2.0f;
        setup.maxMs = 6 * 60 * 1000.0f;
        RecordedRun run = recordRun(setup);
        if (run.replay.result.cleared) return run;
    }
    ADD_FAILURE() << "no cleared run of mode " << mode;
    return {};
}

// Tries edits one after the other until one changes the result; that one
// must be rejected against the score the untouched replay reached.
template <typename Edit>
void expectResultChangingEditRejected(const Replay& replay, int32_t level, Edit edit) {
    int32_t submitted = replay.result.score;
    for (int attempt = 0; attempt < 40; attempt++) {
        Replay edited = replay;
        if (!edit(edited, attempt)) continue;
        ReplayOutcome outcome = playReplayHeadless(edited);
        if (outcome.result.score == submitted && outcome.result.cleared) continue;
        ReplayVerdict verdict =
            verifyReplay(encodeReplay(edited), replay.header.mode, level, submitted);
        EXPECT_FALSE(verdict.verified);
        EXPECT_FALSE(verdict.reason.empty());
        return;
    }
    ADD_FAILURE() << "no edit changed the result";
}

TEST(ReplayVerification, TheUntouchedReplayReachesExactlyTheSubmittedScore) {
    openLevelArchive();
    RecordedRun run = clearedRun(ModeCasual);
    std::string bytes = encodeReplay(run.replay);
    int32_t score = run.simulated.score;
    ASSERT_GT(score, 0);
    ReplayVerdict verdict = verifyReplay(bytes, ModeCasual, 1, score);
    EXPECT_TRUE(verdict.verified) << verdict.reason;
    EXPECT_EQ(score, verdict.outcome.result.score);
    EXPECT_EQ(run.replay.result.statistics, verdict.outcome.result.statistics);
    EXPECT_NE(std::string::npos, verdict.outcome.result.statistics.find("&kills="));
    verdict = verifyReplay(bytes, ModeCasual, 1, score + 100);
    EXPECT_FALSE(verdict.verified);
    EXPECT_EQ("the replay reaches " + std::to_string(score) + ", not the " +
                  std::to_string(score + 100) + " submitted",
              verdict.reason);
    EXPECT_EQ("the replay is of another level", verifyReplay(bytes, ModeCasual, 2, score).reason);
    EXPECT_EQ("the replay is of another game mode", verifyReplay(bytes, ModeRush, 1, score).reason);
}

// The checker plays replay after replay in one process: nothing one leaves
// behind may change the next, so A played again after B reaches A's frames.
TEST(ReplayVerification, ReplaysPlayedOneAfterAnotherKeepTheirOwnResults) {
    openLevelArchive();
    RecordedRun a = clearedRun(ModeNormal);
    SimulationSetup survival = variedSetup(4);
    survival.tutorials = true;
    RecordedRun b = recordRun(survival);
    ASSERT_FALSE(a.replay.frames.empty());
    ASSERT_FALSE(b.replay.frames.empty());
    std::vector<ReplaySample> first, between, again;
    ReplayOutcome firstA = playReplayHeadless(a.replay, &first);
    ReplayOutcome onlyB = playReplayHeadless(b.replay, &between);
    ReplayOutcome secondA = playReplayHeadless(a.replay, &again);
    EXPECT_EQ(b.simulated.score, onlyB.result.score);
    EXPECT_EQ(firstA.result.score, secondA.result.score);
    EXPECT_EQ(firstA.result.cleared, secondA.result.cleared);
    EXPECT_EQ(firstA.result.statistics, secondA.result.statistics);
    EXPECT_EQ(firstA.levelTimeMs, secondA.levelTimeMs);
    ASSERT_EQ(first.size(), again.size());
    for (size_t f = 0; f < first.size(); f++) {
        ASSERT_EQ(first[f].score, again[f].score) << "frame " << f;
        ASSERT_EQ(first[f].mass, again[f].mass) << "frame " << f;
    }
    EXPECT_EQ(a.simulated.score, firstA.result.score);
}

RecordedRun lostRun(int32_t mode) {
    for (uint32_t seed = 1; seed < 40; seed++) {
        SimulationSetup setup;
        setup.mode = mode;
        setup.level = 10;
        setup.seed = seed;
        setup.skill = casualBot;
        setup.stepMs = 16.6667f;
        setup.maxMs = 6 * 60 * 1000.0f;
        RecordedRun run = recordRun(setup);
        if (run.replay.result.lost) return run;
    }
    ADD_FAILURE() << "no lost run of mode " << mode;
    return {};
}

// A lost level closes its replay at the loss. Played on, the end sequence
// empties the mass, which once read as a clear: the checker judges by what
// settled first, and a replay must stop there.
TEST(ReplayVerification, ALossStaysALossHoweverTheReplayGoesOn) {
    openLevelArchive();
    RecordedRun run = lostRun(ModeCasual);
    ASSERT_FALSE(run.replay.frames.empty());
    EXPECT_TRUE(run.replay.result.lost);
    EXPECT_FALSE(run.replay.result.cleared);
    int32_t level = run.replay.header.levelIndex + 1;
    ReplayVerdict verdict =
        verifyReplay(encodeReplay(run.replay), ModeCasual, level, run.replay.result.score);
    EXPECT_EQ("the replay does not finish the level", verdict.reason);
    Replay played = run.replay;
    ReplayFrame idle;
    idle.dtMs = 16.0f;
    idle.steps = StepHoldTimers | StepGame | StepBlockPass;
    played.frames.insert(played.frames.end(), 600, idle);
    ReplayOutcome outcome = playReplayHeadless(played);
    verdict = verifyReplay(encodeReplay(played), ModeCasual, level, outcome.result.score);
    EXPECT_FALSE(verdict.verified);
    EXPECT_EQ("the replay goes on after the level ended", verdict.reason);
}

// Input no player can cause, a claim of another level, and bytes after the
// data are refused before a frame is played.
TEST(ReplayVerification, WhatNoPlayerCanCauseIsRefusedUnplayed) {
    openLevelArchive();
    RecordedRun run = clearedRun(ModeCasual);
    int32_t score = run.simulated.score;
    ASSERT_TRUE(verifyReplay(encodeReplay(run.replay), ModeCasual, 1, score).verified);
    struct Case {
        const char* reason;
        void (*edit)(Replay&);
    };
    const Case cases[] = {
        {"the replay sets the game state",
         [](Replay& r) {
             r.frames[0].events.push_back({ReplayGameState, GameToScoreScreen, 0});
         }},
        {"the replay resumes play outside the pause menu",
         [](Replay& r) {
             r.frames[0].events.push_back({ReplayPaused, 0, 0});
         }},
        {"the replay holds keys the game does not read",
         [](Replay& r) {
             r.frames[0].events.push_back({ReplayKeysHeld, 16, 0});
         }},
        {"the replay begins outside a level",
         [](Replay& r) { r.header.gameState = GameToScoreScreen; }},
        {"the replay is of a practice game", [](Replay& r) { r.header.practice = true; }},
    };
    for (const Case& c : cases) {
        Replay edited = run.replay;
        c.edit(edited);
        ReplayVerdict verdict = verifyReplay(encodeReplay(edited), ModeCasual, 1, score);
        EXPECT_EQ(c.reason, verdict.reason);
        EXPECT_EQ(0, verdict.outcome.frames) << c.reason;
    }
    std::string padded = encodeReplay(run.replay) + "x";
    EXPECT_EQ("the replay has bytes after its compressed data",
              verifyReplay(padded, ModeCasual, 1, score).reason);
}

// The verdict lines the real checker program prints for `requests` in --serve mode.
std::vector<std::string> servedVerdicts(const std::string& requests) {
    std::string input = tempDir() + "/requests";
    std::ofstream(input, std::ios::binary | std::ios::trunc) << requests;
    std::string command = std::string(ZENTRIX_BUILD_DIR) + "/zentrix-replay-check --archive " +
                          ZENTRIX_BUILD_DIR + "/data/assets.ass --serve < " + input;
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(nullptr, pipe);
    if (!pipe) return {};
    std::string output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    EXPECT_EQ(0, pclose(pipe)) << output;
    std::vector<std::string> verdicts;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("verdict ", 0) == 0) verdicts.push_back(line);
    return verdicts;
}

std::string serveRequest(int32_t score, const std::string& body, int32_t mode = ModeCasual,
                         int32_t level = 1) {
    return std::to_string(mode) + " " + std::to_string(level) + " " + std::to_string(score) + " " +
           std::to_string(body.size()) + "\n" + body;
}

// The server's checker program serves replay after replay in one process: an
// honest replay A, another mode's B, A claiming more points, A again and a
// body of the largest size: nothing of one replay carries into the next. A
// request it cannot trust ends the process unread (the server then starts
// another), so the honest request after it goes unjudged.
TEST(ReplayVerification, TheServingCheckerJudgesReplayAfterReplay) {
    openLevelArchive();
    RecordedRun run = clearedRun(ModeCasual);
    RecordedRun other = clearedRun(ModeNormal);
    std::string bytes = encodeReplay(run.replay);
    std::string otherBytes = encodeReplay(other.replay);
    int32_t score = run.simulated.score;
    std::string honest = serveRequest(score, bytes);
    std::string largest = serveRequest(0, std::string(replayMaxFileBytes, 'x'));
    std::string otherMode = serveRequest(other.simulated.score, otherBytes, ModeNormal,
                                         other.replay.header.levelIndex + 1);
    EXPECT_EQ(
        (std::vector<std::string>{"verdict verified", "verdict verified", "verdict rejected",
                                  "verdict verified", "verdict rejected"}),
        servedVerdicts(honest + otherMode + serveRequest(score + 100, bytes) + honest + largest));
    struct Ending {
        const char* why;
        std::string request;
    } const endings[] = {
        {"a body one byte over the largest",
         serveRequest(0, std::string(replayMaxFileBytes + 1, 'x'))},
        {"a request line missing its size", "1 1 " + std::to_string(score) + "\n"},
    };
    for (const Ending& e : endings)
        EXPECT_EQ(std::vector<std::string>{"verdict verified"},
                  servedVerdicts(honest + e.request + honest))
            << e.why;
}

TEST(ReplayVerification, EachModeIsCheckedAtTheLevelItPlays) {
    EXPECT_TRUE(modePlaysLevel(ModeCasual, 1) && modePlaysLevel(ModeExpert, 10));
    EXPECT_FALSE(modePlaysLevel(ModeNormal, 0) || modePlaysLevel(ModeNormal, 11));
    EXPECT_TRUE(modePlaysLevel(ModeRush, rushLevelIndex + 1));
    EXPECT_FALSE(modePlaysLevel(ModeRush, rushLevelIndex));
    EXPECT_TRUE(modePlaysLevel(ModeSurvival, survivalLevelIndex + 1));
    EXPECT_FALSE(modePlaysLevel(ModeSurvival, survivalLevelIndex + 2));
    EXPECT_TRUE(modePlaysLevel(ModeMeditation, 1));
    EXPECT_FALSE(modePlaysLevel(ModeMeditation, 5));
    Replay meditation;
    meditation.header.mode = ModeMeditation;
    meditation.header.levelIndex = 4;
    meditation.header.screenWidth = meditation.header.viewWidth = 1280;
    meditation.header.screenHeight = meditation.header.viewHeight = 720;
    EXPECT_EQ("the replay is of another level",
              verifyReplay(encodeReplay(meditation), ModeMeditation, 5, 0).reason);
}

// A replay too long to play in the checker's time is refused before a frame
// is played; one just under the cap is played (and here, doing nothing,
// never finishes the level).
TEST(ReplayVerification, ReplaysOverTheFrameCapAreRefusedUnplayed) {
    openLevelArchive();
    Replay replay;
    replay.header.mode = ModeCasual;
    replay.header.screenWidth = replay.header.viewWidth = 1280;
    replay.header.screenHeight = replay.header.viewHeight = 720;
    ReplayFrame idle;
    idle.dtMs = 16.0f;
    idle.steps = 1;
    replay.frames.assign(maxVerifiedFrames(ModeCasual) + 1, idle);
    ReplayVerdict verdict = verifyReplay(encodeReplay(replay), ModeCasual, 1, 0);
    EXPECT_FALSE(verdict.verified);
    EXPECT_EQ(
        "the replay has more than " + std::to_string(maxVerifiedFrames(ModeCasual)) + " frames",
        verdict.reason);
    EXPECT_EQ(0, verdict.outcome.frames);
    replay.frames.resize(2000);
    verdict = verifyReplay(encodeReplay(replay), ModeCasual, 1, 0);
    EXPECT_EQ("the replay does not finish the level", verdict.reason);
    EXPECT_EQ(2000, verdict.outcome.frames);
    EXPECT_DOUBLE_EQ(2000 * 16.0, verdict.playedMs);
}

// A press of the fire button moved some frames earlier: the shot leaves
// while the cursor is still on its way.
bool movePressEarlier(Replay& r, int attempt) {
    const size_t earlier = 20 + attempt;
    int seen = 0;
    for (size_t f = earlier; f < r.frames.size(); f++) {
        auto& events = r.frames[f].events;
        for (size_t e = 0; e < events.size(); e++) {
            if (events[e].kind != ReplayRightDown || seen++ != attempt) continue;
            auto& target = r.frames[f - earlier].events;
            target.push_back(events[e]);
            events.erase(events.begin() + e);
            return true;
        }
    }
    return false;
}

// One frame made most of a second longer.
bool lengthenOneFrame(Replay& r, int attempt) {
    size_t f = r.frames.size() / 41 * (attempt + 1);
    if (f >= r.frames.size()) return false;
    r.frames[f].dtMs += 900.0f;
    return true;
}

TEST(ReplayVerification, MovingOneInputEventOrOneFrameTimeIsCaught) {
    openLevelArchive();
    expectResultChangingEditRejected(clearedRun(ModeCasual).replay, 1, movePressEarlier);
    expectResultChangingEditRejected(clearedRun(ModeRush).replay, 1, lengthenOneFrame);
}

}  // namespace
