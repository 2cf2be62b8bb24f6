// Balance table: the bot plays every mode and Classic level over many seeds
// at two skills, headless at a fixed step, and the table shows how often it
// clears, how long it takes and what it scores.
//
//   zentrix-balance [--archive data/assets.ass] [--seeds 20] [--step 16] [--mode Expert]
//                   [--level 6]
//   zentrix-balance [--archive data/assets.ass] --replay FILE [--verify MODE LEVEL SCORE]
//
// With --replay it plays a recorded level headless and prints its result,
// its statistics record and how much faster than real time it ran, and
// exits 1 when that is not what the recording game reached; with
// --verify it also says whether that is exactly the submitted result
// ("verified" or "rejected: why") and exits 0 or 1.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "dev/simulation.h"
#include "game/level_file.h"
#include "game/modes.h"
#include "game/replay_playback.h"
#include "platform/system.h"

namespace {

struct Row {
    int32_t mode;
    int32_t level;  // 0 for the modes without levels
};

struct Summary {
    int runs = 0, cleared = 0, neverEnded = 0;
    double timeMs = 0, score = 0, stages = 0;
};

struct Options {
    std::string archive;  // empty: data/assets.ass here, else beside the program
    int seeds = 20;
    float stepMs = 16.0f;
    std::string mode;        // only this mode's rows ("Expert", "Rush", ...); empty for all
    int level = 0;           // only this Classic level's rows; 0 for all
    std::string replayPath;  // play this replay instead of the table
    bool verify = false;     // compare it with a submitted result
    int32_t verifyMode = 0, verifyLevel = 0, verifyScore = 0;
};

// "--verify MODE LEVEL SCORE": three numbers after the option.
bool parseVerify(int argc, char** argv, int& i, Options& options) {
    if (i + 3 >= argc) return false;
    options.verify = true;
    options.verifyMode = atoi(argv[i + 1]);
    options.verifyLevel = atoi(argv[i + 2]);
    options.verifyScore = atoi(argv[i + 3]);
    i += 2;
    return true;
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; i += 2) {
        // Every option takes a value: a last option without one is a mistake, not a run.
        if (i + 1 >= argc) return false;
        if (!strcmp(argv[i], "--archive"))
            options.archive = argv[i + 1];
        else if (!strcmp(argv[i], "--seeds"))
            options.seeds = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "--step"))
            options.stepMs = static_cast<float>(atof(argv[i + 1]));
        else if (!strcmp(argv[i], "--mode"))
            options.mode = argv[i + 1];
        else if (!strcmp(argv[i], "--level"))
            options.level = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "--replay"))
            options.replayPath = argv[i + 1];
        else if (!strcmp(argv[i], "--verify")) {
            if (!parseVerify(argc, argv, i, options)) return false;
        } else
            return false;
    }
    return options.seeds > 0 && options.stepMs > 0 && options.stepMs < 1000;
}

std::vector<Row> allRows() {
    std::vector<Row> rows;
    for (int32_t mode = ModeCasual; mode <= ModeExpert; mode++)
        for (int32_t level = 1; level <= 10; level++) rows.push_back({mode, level});
    rows.push_back({ModeRush, 0});
    rows.push_back({ModeSurvival, 0});
    rows.push_back({ModeMeditation, 0});
    return rows;
}

// The level file of a row, read once: every seek in the archive inflates it from the start.
std::vector<Vec3> rowLevel(const Row& row) {
    if (row.mode == ModeMeditation) return {};
    int32_t fileNumber = row.mode == ModeRush       ? rushLevelIndex + 1
                         : row.mode == ModeSurvival ? survivalLevelIndex + 1
                                                    : row.level;
    return loadLevelFromArchive(fileNumber);
}

Summary runRow(const Row& row, const BotSkill& skill, const Options& options) {
    Summary summary;
    std::vector<Vec3> level = rowLevel(row);
    for (int seed = 1; seed <= options.seeds; seed++) {
        SimulationSetup setup;
        setup.blocks = level;
        setup.mode = row.mode;
        setup.level = row.level > 0 ? row.level : 1;
        setup.seed = static_cast<uint32_t>(seed);
        setup.stepMs = options.stepMs;
        setup.skill = skill;
        SimulationResult result = runSimulation(setup);
        summary.runs++;
        summary.cleared += result.cleared ? 1 : 0;
        summary.neverEnded += result.timedOut ? 1 : 0;
        summary.timeMs += result.timeMs;
        summary.score += result.score;
        summary.stages += result.stagesCleared;
    }
    return summary;
}

void printCells(const Summary& s, const Row& row) {
    double n = s.runs;
    printf(" | %5.0f%% %7.1f %9.0f", 100.0 * s.cleared / n, s.timeMs / n / 1000.0, s.score / n);
    if (row.mode == ModeSurvival)
        printf(" st%4.1f", s.stages / n);
    else
        printf("       ");
    printf(" %3d", s.neverEnded);
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    bytes = text.str();
    return true;
}

// Plays the replay headless; prints the outcome and the speed against real time.
int playReplayFile(const Options& options) {
    std::string bytes, error;
    Replay replay;
    if (!readWholeFile(options.replayPath, bytes)) {
        fprintf(stderr, "cannot read %s\n", options.replayPath.c_str());
        return 2;
    }
    if (!decodeReplay(bytes, replay, error)) {
        printf("rejected: %s\n", error.c_str());
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    ReplayVerdict verdict;
    if (options.verify)
        verdict = verifyReplay(bytes, options.verifyMode, options.verifyLevel, options.verifyScore);
    else
        verdict.outcome = playReplayHeadless(replay);
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    printf("%s", describeOutcome(verdict.outcome).c_str());
    printf("speed %.0fx real time (%.1f s of play in %.1f ms)\n",
           replayPlayedMs(replay) / std::max(took.count(), 0.001), replayPlayedMs(replay) / 1000,
           took.count());
    if (!options.verify) {
        bool same = verdict.outcome.result.score == replay.result.score &&
                    verdict.outcome.result.statistics == replay.result.statistics;
        printf("recorded score %d\n%s\n", replay.result.score,
               same ? "same as recorded" : "differs from the recording");
        return same ? 0 : 1;
    }
    printf(verdict.verified ? "verified\n" : "rejected: %s\n", verdict.reason.c_str());
    return verdict.verified ? 0 : 1;
}

std::string defaultArchive() {
    const std::string here = "data/assets.ass";
    if (access(here.c_str(), R_OK) == 0) return here;
    std::string program = platformExecutablePath();
    return program.substr(0, program.rfind('/') + 1) + here;
}

const char usageText[] =
    "usage: zentrix-balance [--archive FILE] [--seeds N] [--step MS] [--mode NAME] "
    "[--level N]\n"
    "       zentrix-balance [--archive FILE] --replay FILE [--verify MODE LEVEL SCORE]\n";

bool asksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; i++)
        if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (asksForHelp(argc, argv)) {
        fputs(usageText, stdout);
        return 0;
    }
    if (!parseOptions(argc, argv, options)) {
        fputs(usageText, stderr);
        return 2;
    }
    logDirectory = "/tmp";
    if (options.archive.empty()) options.archive = defaultArchive();
    assetArchivePath = options.archive;
    openAssetArchive();
    // Without levels every run would play an empty mass: a table or a verdict
    // from that would only mislead.
    if (assetIndex.empty()) {
        fprintf(stderr,
                "zentrix-balance: no levels in %s; give the game's archive with --archive\n",
                options.archive.c_str());
        return 1;
    }
    if (!options.replayPath.empty()) return playReplayFile(options);
    const BotSkill skills[2] = {skilledBot, casualBot};
    const char* const skillNames[2] = {"skilled", "casual"};
    printf("%d seeds per cell, %.0f ms steps\n", options.seeds, options.stepMs);
    for (int i = 0; i < 2; i++)
        printf("%s bot: reaction %.0f ms, errors %.0f%%, weighs %d faces per shot\n", skillNames[i],
               skills[i].reactionMs, skills[i].errorRate * 100, skills[i].attention);
    printf("%-16s | %-35s | %-35s\n", "", "skilled", "casual");
    printf("%-16s | clear  time(s)     score stages end? | clear  time(s)     score stages end?\n",
           "mode level");
    for (const Row& row : allRows()) {
        if (!options.mode.empty() && options.mode != modeName(row.mode)) continue;
        if (options.level > 0 && options.level != row.level) continue;
        std::string label = modeName(row.mode);
        if (row.level > 0) label += " " + std::to_string(row.level);
        printf("%-16s", label.c_str());
        for (const BotSkill& skill : skills) printCells(runRow(row, skill, options), row);
        printf("\n");
        fflush(stdout);
    }
    return 0;
}
