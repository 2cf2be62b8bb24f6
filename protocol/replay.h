// A replay: everything a level attempt or run depended on, so that the same
// rules played again give the same blocks and the same score. The header
// holds the settings that change play and the input state at the level's
// start; then, per frame, the frame time, the input events that reached the
// handlers and which of the frame's steps ran. Stored delta-coded and
// zlib-compressed behind a short plain prefix.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint16_t replayFormatVersion = 3;
constexpr size_t replayMaxFileBytes = 2 * 1024 * 1024;  // the largest upload: two hours of Survival
constexpr size_t replayMaxPlainBytes = 16 * 1024 * 1024;  // the unpacked stream, at most
constexpr size_t replayMaxEventsPerFrame = 64;
constexpr size_t replayMaxVersionLength = 64;
// A ranked level's seed is issued by the server (seeds.php); one reply carries at most this many.
constexpr size_t issuedSeedsPerReply = 4;

enum ReplayEventKind : uint8_t {
    ReplayMouseMove = 1,  // a, b: the new position
    ReplayLeftDown,
    ReplayLeftUp,
    ReplayRightDown,
    ReplayRightUp,
    ReplayKeysHeld,      // a: the held play keys, bits of ReplayKeyBit
    ReplayPaused,        // a: paused set from outside the play loop (back from the options)
    ReplayServerPrompt,  // the connection prompt came up: a server reply was late
    ReplayControls,      // a: the control scheme changed in the options
    ReplayGameState,     // a: GameState changed (written up to version 2; never played)
    ReplayPauseChoice,   // a: the pause overlay's item the player clicked (after the game step)
    replayEventKindEnd
};

// The keys the play loop reads by their held state.
enum ReplayKeyBit : int32_t {
    KeyBitEscape = 1,
    KeyBitPowerup1 = 2,
    KeyBitPowerup2 = 4,
    KeyBitPowerup3 = 8,
};

// Which steps of the frame ran, in the order the game runs them.
enum ReplayStep : uint8_t {
    StepHoldTimers = 1,  // the button hold timers advanced
    StepGame = 2,        // UpdateGame and the pause overlay's update
    StepBlockPass = 4,   // the block pass: the next colour and the shot
};

struct ReplayEvent {
    uint8_t kind = 0;
    int32_t a = 0, b = 0;
};

struct ReplayFrame {
    float dtMs = 0.0f;
    uint8_t steps = 0;
    std::vector<ReplayEvent> events;
};

struct ReplayHeader {
    uint16_t formatVersion = replayFormatVersion;
    std::string gameVersion;
    int32_t mode = 1;        // GameModeValue
    int32_t levelIndex = 0;  // 0-based
    bool practice = false;
    uint32_t seed = 0;  // the play stream's seed for this level
    int32_t controls = 0;
    int32_t screenWidth = 0, screenHeight = 0;  // mouse coordinates and layout
    int32_t viewWidth = 0, viewHeight = 0;      // the drawable, which the mouse ray uses
    uint32_t tutorialsSeen = 0;                 // bit per tutorial card already seen
    // The input state at the level's start.
    int32_t mouseX = 0, mouseY = 0;
    bool leftDown = false, rightDown = false, paused = false, tutorialShowing = false;
    int32_t holdTime = 0, rightHoldTime = 0;
    float dragTime = 0.0f;
    float dragOrigin[2] = {0.0f, 0.0f};
    int32_t gameState = 3;       // GameState when the level began (Game, or a fade into it)
    int32_t keyEdges = 0;        // ReplayKeyBit bits: the play keys as the last frame saw them
    int32_t cardUp = -1;         // the tutorial card still up from before, -1 = none
    float tutorialClock = 0.0f;  // ms that card has been up
};

// What the level came to, as the recording game saw it.
struct ReplayResult {
    int32_t score = 0;
    bool cleared = false;
    bool lost = false;
    std::string statistics;  // the level's statistics record, as the death report carries it
};

constexpr size_t replayMaxStatisticsLength = 512;

struct Replay {
    ReplayHeader header;
    std::vector<ReplayFrame> frames;
    ReplayResult result;
};

// The file's bytes: the plain prefix, then the compressed stream.
std::string encodeReplay(const Replay& replay);
// The file around an unpacked stream: plain prefix, then the stream compressed.
std::string packReplayStream(const std::string& plain,
                             uint16_t formatVersion = replayFormatVersion);
// False with a reason for a damaged, truncated or hostile file.
bool decodeReplay(const std::string& bytes, Replay& replay, std::string& error);
// Lower-case hex SHA-256 of the file's bytes.
// A frame time the game's clock measured in whole microseconds, in ms.
float frameMsFromMicros(int64_t micros);

std::string replayDigest(const std::string& bytes);
