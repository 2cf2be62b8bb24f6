#include "online/unsent_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "base/console_log.h"
#include "online/requests.h"
#include "platform/settings_store.h"
#include "protocol/encodings.h"
#include "protocol/replay.h"

const char unsentFileName[] = "unsent-results.dat";

static const char entryMagic[] = "ZXU1";
static const size_t entryFieldCount = 11;
// A field line is never longer than this, whatever the entry.
static const size_t entryLineLimit = unsentRecordLimit + unsentSessionLimit + 256;
static const size_t digestLength = 64;
// The file never holds more than the kept results could fill.
static const size_t unsentFileLimit = unsentResultsLimit * (replayMaxFileBytes + entryLineLimit);

// A field cannot be empty in a line of fields: an empty account or session is written as this.
static const char emptyField[] = "-";

static std::string fieldText(const std::string& value) {
    return value.empty() ? emptyField : value;
}

static std::string fieldValue(const std::string& text) {
    return text == emptyField ? "" : text;
}

static std::string entryLine(const UnsentResult& r) {
    std::ostringstream line;
    line << entryMagic << ' ' << fieldText(r.userId) << ' ' << fieldText(r.session) << ' ' << r.mode
         << ' ' << r.level << ' ' << r.score << ' ' << (r.scoreTaken ? 1 : 0) << ' '
         << (r.replayClosed ? 1 : 0) << ' ' << r.record << ' ' << r.replay.size();
    return line.str();
}

std::string encodeUnsentResults(const std::deque<UnsentResult>& results) {
    std::string bytes;
    for (const UnsentResult& result : results) {
        std::string line = entryLine(result);
        bytes += line + ' ' + sha256Hex(line + result.replay) + '\n' + result.replay + '\n';
    }
    return bytes;
}

// ---- reading ----

static bool isDigits(const std::string& text, size_t longest) {
    return !text.empty() && text.size() <= longest &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

// A whole number in [low, high], written plainly (an optional minus, digits).
static bool readNumber(const std::string& text, long long low, long long high, long long& value) {
    bool negative = !text.empty() && text[0] == '-';
    if (!isDigits(negative ? text.substr(1) : text, 12)) return false;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

static bool isFlag(const std::string& text) {
    return text == "0" || text == "1";
}

// Printable and free of the characters that end a field or a request value.
static bool isPlainText(const std::string& text, size_t longest) {
    if (text.empty() || text.size() > longest) return false;
    for (unsigned char c : text)
        if (c <= ' ' || c > '~') return false;
    return true;
}

// The fields of one line into `result`; "" when they check out, else why not.
static std::string readFields(const std::vector<std::string>& f, UnsentResult& result,
                              size_t& replayLength) {
    long long mode = 0, level = 0, score = 0, length = 0;
    if (f.size() != entryFieldCount || f[0] != entryMagic) return "not an entry line";
    bool account = f[1] == emptyField || isDigits(f[1], 20);
    if (!account || !isPlainText(f[2], unsentSessionLimit)) return "bad account fields";
    if (!readNumber(f[3], 0, 99, mode) || !readNumber(f[4], 0, 999, level) ||
        !readNumber(f[5], INT32_MIN, INT32_MAX, score))
        return "bad mode, level or score";
    if (!isFlag(f[6]) || !isFlag(f[7])) return "bad state flags";
    if (!isPlainText(f[8], unsentRecordLimit) || f[8].compare(0, 9, "gamemode=") != 0)
        return "bad statistics record";
    if (!readNumber(f[9], 0, static_cast<long long>(replayMaxFileBytes), length))
        return "bad replay length";
    result = {fieldValue(f[1]),
              fieldValue(f[2]),
              int32_t(mode),
              int32_t(level),
              int32_t(score),
              f[8],
              f[6] == "1",
              f[7] == "1",
              "",
              0};
    replayLength = static_cast<size_t>(length);
    return "";
}

// One entry from `at`; moves `at` past it. "" when it reads whole, else why not.
static std::string readEntry(const std::string& bytes, size_t& at, UnsentResult& result) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos || end - at > entryLineLimit) return "its line is cut off";
    std::string line = bytes.substr(at, end - at);
    size_t lastSpace = line.rfind(' ');
    if (lastSpace == std::string::npos) return "not an entry line";
    std::string fields = line.substr(0, lastSpace), digest = line.substr(lastSpace + 1);
    size_t length = 0;
    std::string problem = readFields(splitTokens(line, ' '), result, length);
    if (!problem.empty()) return problem;
    if (digest.size() != digestLength) return "bad digest";
    if (bytes.size() - end - 1 < length + 1 || bytes[end + 1 + length] != '\n')
        return "its replay is cut off";
    result.replay = bytes.substr(end + 1, length);
    if (sha256Hex(fields + result.replay) != digest) return "its digest does not match";
    at = end + 1 + length + 1;
    return "";
}

// The next place after `from` where a line starts an entry; npos when none.
static size_t nextEntryStart(const std::string& bytes, size_t from) {
    size_t found = bytes.find(std::string("\n") + entryMagic + " ", from);
    return found == std::string::npos ? found : found + 1;
}

size_t decodeUnsentResults(const std::string& bytes, std::deque<UnsentResult>& results) {
    size_t at = 0, damaged = 0;
    bool inDamage = false;
    while (at < bytes.size()) {
        UnsentResult result;
        size_t start = at;
        std::string problem = readEntry(bytes, at, result);
        if (problem.empty()) {
            results.push_back(result);
            inDamage = false;
            continue;
        }
        // One line for a damaged stretch, however many false starts lie in it.
        if (!inDamage) {
            logConsole("Unsent results: a damaged entry was dropped (" + problem + ")");
            damaged++;
        }
        inDamage = true;
        at = nextEntryStart(bytes, start);
        if (at == std::string::npos) break;
    }
    return damaged;
}

std::deque<UnsentResult> loadUnsentResults() {
    std::deque<UnsentResult> results;
    std::string bytes;
    bool truncated = false;
    if (!readSettingsFolderFile(unsentFileName, unsentFileLimit, bytes, truncated)) return results;
    if (truncated) logConsole("Unsent results: the file is larger than it can be; its end is cut");
    decodeUnsentResults(bytes, results);
    return results;
}

bool storeUnsentResults(const std::deque<UnsentResult>& results) {
    if (results.empty()) return removeSettingsFolderFile(unsentFileName);
    return writeSettingsFolderFile(unsentFileName, encodeUnsentResults(results));
}
