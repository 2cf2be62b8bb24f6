#include "protocol/replay.h"

#include <zlib.h>

#include <cmath>
#include <cstring>

#include "protocol/encodings.h"

static const char replayMagic[4] = {'Z', 'X', 'R', 'P'};
static constexpr size_t prefixBytes = sizeof(replayMagic) + 2 + 4;  // magic, version, plain size

// Frame byte: the low bits are the steps, then these.
static constexpr uint8_t sameTimeBit = 0x10;
static constexpr uint8_t hasEventsBit = 0x20;
static constexpr uint8_t microsBit = 0x40;  // the time is whole microseconds, coded as a delta
static constexpr float replayLongestFrameMs = 3600000.0f;
static constexpr uint8_t stepBits = StepHoldTimers | StepGame | StepBlockPass;

// ---- writing ----

namespace {
struct Writer {
    std::string bytes;
    void u8(uint8_t v) { bytes += static_cast<char>(v); }
    void u32(uint32_t v) {
        for (int i = 0; i < 4; i++) u8(static_cast<uint8_t>(v >> (8 * i)));
    }
    void varint(uint64_t v) {
        while (v >= 0x80) {
            u8(static_cast<uint8_t>(v | 0x80));
            v >>= 7;
        }
        u8(static_cast<uint8_t>(v));
    }
    // Zig-zag: small negative numbers stay short.
    void signedVarint(int64_t v) { varint((static_cast<uint64_t>(v) << 1) ^ (v < 0 ? ~0ULL : 0)); }
    void f32(float v) {
        uint32_t bits;
        memcpy(&bits, &v, 4);
        u32(bits);
    }
    void text(const std::string& s) {
        varint(s.size());
        bytes += s;
    }
};

// The positions and times the frames are coded against.
struct DeltaState {
    uint32_t lastTimeBits = 0;
    int64_t lastMicros = 0;
    int32_t lastX = 0, lastY = 0;
};
}  // namespace

static uint32_t floatBits(float v) {
    uint32_t bits;
    memcpy(&bits, &v, 4);
    return bits;
}

static float bitsFloat(uint32_t bits) {
    float v;
    memcpy(&v, &bits, 4);
    return v;
}

static void writeHeader(Writer& w, const ReplayHeader& h) {
    w.text(h.gameVersion);
    for (int32_t v : {h.mode, h.levelIndex, h.controls, h.screenWidth, h.screenHeight, h.viewWidth,
                      h.viewHeight, h.mouseX, h.mouseY, h.holdTime, h.rightHoldTime, h.gameState,
                      h.keyEdges, h.cardUp})
        w.signedVarint(v);
    w.u32(h.seed);
    w.u32(h.tutorialsSeen);
    uint8_t flags = (h.practice ? 1 : 0) | (h.leftDown ? 2 : 0) | (h.rightDown ? 4 : 0) |
                    (h.paused ? 8 : 0) | (h.tutorialShowing ? 16 : 0);
    w.u8(flags);
    for (float v : {h.dragTime, h.dragOrigin[0], h.dragOrigin[1], h.tutorialClock}) w.f32(v);
}

static void writeEvent(Writer& w, const ReplayEvent& e, DeltaState& d) {
    w.u8(e.kind);
    if (e.kind == ReplayMouseMove) {
        w.signedVarint(static_cast<int64_t>(e.a) - d.lastX);
        w.signedVarint(static_cast<int64_t>(e.b) - d.lastY);
        d.lastX = e.a;
        d.lastY = e.b;
    } else if (e.kind == ReplayKeysHeld || e.kind == ReplayPaused || e.kind == ReplayControls ||
               e.kind == ReplayGameState) {
        w.signedVarint(e.a);
    }
}

// The game's clock counts whole microseconds: such a frame time is coded as
// the change in microseconds, a byte or two, instead of the change in its bits.
static bool wholeMicros(float dtMs, int64_t& micros) {
    if (!(dtMs >= 0.0f && dtMs <= replayLongestFrameMs)) return false;
    micros = std::llround(static_cast<double>(dtMs) * 1000.0);
    return floatBits(frameMsFromMicros(micros)) == floatBits(dtMs);
}

static void writeFrame(Writer& w, const ReplayFrame& f, DeltaState& d) {
    uint32_t bits = floatBits(f.dtMs);
    bool sameTime = bits == d.lastTimeBits;
    int64_t micros = 0;
    bool inMicros = !sameTime && wholeMicros(f.dtMs, micros);
    uint8_t head = (f.steps & stepBits) | (sameTime ? sameTimeBit : 0) |
                   (inMicros ? microsBit : 0) | (f.events.empty() ? 0 : hasEventsBit);
    w.u8(head);
    if (inMicros) {
        w.signedVarint(micros - d.lastMicros);
        d.lastMicros = micros;
    } else if (!sameTime) {
        w.signedVarint(static_cast<int64_t>(bits) - d.lastTimeBits);
    }
    d.lastTimeBits = bits;
    if (f.events.empty()) return;
    w.varint(f.events.size());
    for (const ReplayEvent& e : f.events) writeEvent(w, e, d);
}

static void writeResult(Writer& w, const ReplayResult& r) {
    w.signedVarint(r.score);
    w.u8((r.cleared ? 1 : 0) | (r.lost ? 2 : 0));
    w.text(r.statistics);
}

static std::string compressed(const std::string& plain) {
    uLongf size = compressBound(plain.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size,
              reinterpret_cast<const Bytef*>(plain.data()), plain.size(), Z_BEST_COMPRESSION);
    out.resize(size);
    return out;
}

std::string encodeReplay(const Replay& replay) {
    Writer body;
    writeHeader(body, replay.header);
    body.varint(replay.frames.size());
    DeltaState delta;
    delta.lastX = replay.header.mouseX;
    delta.lastY = replay.header.mouseY;
    for (const ReplayFrame& frame : replay.frames) writeFrame(body, frame, delta);
    writeResult(body, replay.result);
    return packReplayStream(body.bytes, replay.header.formatVersion);
}

std::string packReplayStream(const std::string& plain, uint16_t formatVersion) {
    Writer file;
    file.bytes.append(replayMagic, sizeof(replayMagic));
    file.u8(formatVersion & 0xFF);
    file.u8(formatVersion >> 8);
    file.u32(static_cast<uint32_t>(plain.size()));
    return file.bytes + compressed(plain);
}

// ---- reading ----

namespace {
// Every read is bounds-checked; the first failure sticks and names itself.
struct Reader {
    const std::string& bytes;
    size_t at = 0;
    std::string error;
    bool fail(const char* why) {
        if (error.empty()) error = why;
        return false;
    }
    uint8_t u8() {
        if (at >= bytes.size()) return fail("the replay ends early"), 0;
        return static_cast<uint8_t>(bytes[at++]);
    }
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; i++) v |= static_cast<uint32_t>(u8()) << (8 * i);
        return v;
    }
    uint64_t varint() {
        uint64_t v = 0;
        for (int shift = 0; shift < 64 && error.empty(); shift += 7) {
            uint8_t b = u8();
            v |= static_cast<uint64_t>(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
        return fail("a number in the replay is too long"), 0;
    }
    int64_t signedVarint() {
        uint64_t v = varint();
        return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
    }
    // A value coded as its change from base; the sum must stay in [low, high].
    int64_t offset(int64_t base, int64_t low, int64_t high) {
        int64_t delta = signedVarint();
        if (delta < low - base || delta > high - base)
            return fail("a value in the replay is out of range"), base;
        return base + delta;
    }
    // A 32-bit value; anything wider is damage.
    int32_t int32() {
        int64_t v = signedVarint();
        if (v < INT32_MIN || v > INT32_MAX) return fail("a value in the replay is out of range"), 0;
        return static_cast<int32_t>(v);
    }
    float f32() { return bitsFloat(u32()); }
    std::string text(size_t limit) {
        uint64_t n = varint();
        if (n > limit || n > bytes.size() - at) return fail("a text in the replay is too long"), "";
        std::string s = bytes.substr(at, n);
        at += n;
        return s;
    }
};
}  // namespace

static void readHeader(Reader& r, ReplayHeader& h) {
    h.gameVersion = r.text(replayMaxVersionLength);
    for (int32_t* v : {&h.mode, &h.levelIndex, &h.controls, &h.screenWidth, &h.screenHeight,
                       &h.viewWidth, &h.viewHeight, &h.mouseX, &h.mouseY, &h.holdTime,
                       &h.rightHoldTime, &h.gameState, &h.keyEdges, &h.cardUp})
        *v = r.int32();
    h.seed = r.u32();
    h.tutorialsSeen = r.u32();
    uint8_t flags = r.u8();
    h.practice = flags & 1;
    h.leftDown = flags & 2;
    h.rightDown = flags & 4;
    h.paused = flags & 8;
    h.tutorialShowing = flags & 16;
    for (float* v : {&h.dragTime, &h.dragOrigin[0], &h.dragOrigin[1], &h.tutorialClock})
        *v = r.f32();
}

// The values the rules accept: anything else cannot come from the game.
static bool headerInRange(const ReplayHeader& h, std::string& error) {
    const char* why = nullptr;
    if (h.mode < 1 || h.mode > 6) why = "the replay names no game mode";
    if (h.levelIndex < 0 || h.levelIndex > 20) why = "the replay's level is out of range";
    if (h.controls < 0 || h.controls > 2) why = "the replay's control scheme is unknown";
    if (h.screenWidth < 1 || h.screenHeight < 1 || h.screenWidth > 16384 || h.screenHeight > 16384)
        why = "the replay's window size is out of range";
    if (h.viewWidth < 0 || h.viewHeight < 0 || h.viewWidth > 32768 || h.viewHeight > 32768)
        why = "the replay's view size is out of range";
    if (h.cardUp < -1 || h.cardUp >= 32) why = "the replay's tutorial card is unknown";
    for (float v : {h.dragTime, h.dragOrigin[0], h.dragOrigin[1], h.tutorialClock})
        if (!(std::fabs(v) <= replayLongestFrameMs))
            why = "the replay's input state is out of range";
    if (why) error = why;
    return why == nullptr;
}

static void readEvent(Reader& r, ReplayEvent& e, DeltaState& d) {
    e.kind = r.u8();
    if (e.kind == 0 || e.kind >= replayEventKindEnd) {
        r.fail("the replay holds an unknown input event");
    } else if (e.kind == ReplayMouseMove) {
        e.a = d.lastX = static_cast<int32_t>(r.offset(d.lastX, INT32_MIN, INT32_MAX));
        e.b = d.lastY = static_cast<int32_t>(r.offset(d.lastY, INT32_MIN, INT32_MAX));
    } else if (e.kind == ReplayKeysHeld || e.kind == ReplayPaused || e.kind == ReplayControls ||
               e.kind == ReplayGameState) {
        e.a = r.int32();
    }
}

static void readFrame(Reader& r, ReplayFrame& f, DeltaState& d) {
    uint8_t head = r.u8();
    f.steps = head & stepBits;
    if (head & microsBit) {
        d.lastMicros = r.offset(d.lastMicros, 0, int64_t(replayLongestFrameMs) * 1000);
        d.lastTimeBits = floatBits(frameMsFromMicros(d.lastMicros));
    } else if (!(head & sameTimeBit)) {
        d.lastTimeBits = static_cast<uint32_t>(r.offset(d.lastTimeBits, 0, UINT32_MAX));
    }
    f.dtMs = bitsFloat(d.lastTimeBits);
    if (!(f.dtMs >= 0.0f && f.dtMs <= replayLongestFrameMs))
        r.fail("a frame time in the replay is out of range");
    // The game runs no update in a frame of a second or more.
    if ((f.steps & (StepHoldTimers | StepGame)) && f.dtMs >= 1000.0f)
        r.fail("a frame of a second or more cannot update the game");
    if (!(head & hasEventsBit)) return;
    uint64_t count = r.varint();
    if (count == 0 || count > replayMaxEventsPerFrame)
        r.fail("a frame holds too many input events");
    for (uint64_t i = 0; i < count && r.error.empty(); i++) {
        f.events.emplace_back();
        readEvent(r, f.events.back(), d);
    }
}

static bool readBody(const std::string& plain, Replay& replay, std::string& error) {
    Reader r{plain, 0, {}};
    readHeader(r, replay.header);
    if (r.error.empty() && !headerInRange(replay.header, error)) return false;
    // Every frame takes at least one byte: a larger count is damage.
    uint64_t frames = r.varint();
    if (frames > plain.size()) r.fail("the replay's frame count is damaged");
    DeltaState delta;
    delta.lastX = replay.header.mouseX;
    delta.lastY = replay.header.mouseY;
    replay.frames.reserve(r.error.empty() ? frames : 0);
    for (uint64_t i = 0; i < frames && r.error.empty(); i++) {
        replay.frames.emplace_back();
        readFrame(r, replay.frames.back(), delta);
    }
    replay.result.score = r.int32();
    uint8_t outcome = r.u8();
    replay.result.cleared = outcome & 1;
    replay.result.lost = outcome & 2;
    replay.result.statistics = r.text(replayMaxStatisticsLength);
    if (r.error.empty() && r.at != plain.size()) r.fail("the replay has bytes after its end");
    error = r.error;
    return error.empty();
}

static bool readPrefix(const std::string& bytes, uint16_t& version, uint32_t& plainSize,
                       std::string& error) {
    if (bytes.size() > replayMaxFileBytes) return error = "the replay is larger than 2 MB", false;
    if (bytes.size() < prefixBytes || memcmp(bytes.data(), replayMagic, 4) != 0)
        return error = "the file is not a replay", false;
    Reader r{bytes, 4, {}};
    version = r.u8();
    version |= static_cast<uint16_t>(r.u8() << 8);
    plainSize = r.u32();
    // Version 1 differs only in never coding times in microseconds.
    if (version < 1 || version > replayFormatVersion)
        return error = "the replay's format version is unknown", false;
    if (plainSize > replayMaxPlainBytes) return error = "the replay unpacks to too much", false;
    return true;
}

bool decodeReplay(const std::string& bytes, Replay& replay, std::string& error) {
    replay = Replay{};
    uint16_t version = 0;
    uint32_t plainSize = 0;
    if (!readPrefix(bytes, version, plainSize, error)) return false;
    std::string plain(plainSize, '\0');
    uLongf size = plainSize;
    uLong packed = bytes.size() - prefixBytes;
    int status = uncompress2(reinterpret_cast<Bytef*>(&plain[0]), &size,
                             reinterpret_cast<const Bytef*>(bytes.data() + prefixBytes), &packed);
    if (status != Z_OK || size != plainSize) return error = "the replay's data is damaged", false;
    // Bytes after the stream would let one replay be sent under many digests.
    if (packed != bytes.size() - prefixBytes)
        return error = "the replay has bytes after its compressed data", false;
    replay.header.formatVersion = version;
    return readBody(plain, replay, error);
}

float frameMsFromMicros(int64_t micros) {
    return static_cast<float>(static_cast<double>(micros) / 1000.0);
}

std::string replayDigest(const std::string& bytes) {
    return sha256Hex(bytes);
}
