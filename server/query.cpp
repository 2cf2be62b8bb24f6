// Key-order parsing of the plain requests inside the secure endpoint.
#include "server/query.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "protocol/encodings.h"

static const size_t maxTextLength = 1024;
static const size_t maxTokenLength = 64;
static const size_t maxNumberLength = 32;
static const size_t digestLength = 32;
// Splits tried before a request is called ambiguous; each value may hold a separator at most a few
// times.
static const int maxSplitAttempts = 512;

static const std::vector<FieldSpec> resultFields(bool isScore) {
    std::vector<FieldSpec> fields = {{"gamemode", FieldKind::Integer},
                                     {"level", FieldKind::Integer},
                                     {"score", FieldKind::Integer},
                                     {"time", isScore ? FieldKind::Integer : FieldKind::Decimal},
                                     {"apm", FieldKind::Integer},
                                     {"controls", FieldKind::Integer},
                                     {"drops", FieldKind::Integer},
                                     {"rotates", FieldKind::Integer},
                                     {"pup1earned", FieldKind::Integer},
                                     {"pup2earned", FieldKind::Integer},
                                     {"pup3earned", FieldKind::Integer},
                                     {"pup1used", FieldKind::Integer},
                                     {"pup2used", FieldKind::Integer},
                                     {"pup3used", FieldKind::Integer},
                                     {"kills", FieldKind::Integer}};
    if (isScore) fields.push_back({"performance", FieldKind::Integer});
    fields.push_back({"sessionhash", FieldKind::Token});
    fields.push_back({"userid", FieldKind::Integer});
    fields.push_back({"passwordHash", FieldKind::Digest});
    return fields;
}

static std::vector<EndpointSpec> buildSpecs() {
    const FieldKind text = FieldKind::Text;
    return {
        {"which_server.php", {}},
        {"news.php", {}},
        {"login.php",
         {{"version", text},
          {"build", text},
          {"platform", text},
          {"username", text},
          {"password", text},
          {"glversion", text},
          {"videocard", text},
          {"manufacturer", text},
          {"res", text},
          {"gameversion", text},
          {"os", text},
          {"ram", text},
          {"cpu", text},
          {"mac", text}}},
        {"logout.php",
         {{"beta2", FieldKind::Integer},
          {"userid", FieldKind::Integer},
          {"playhash", FieldKind::Token}}},
        {"checkname.php", {{"username", text}}},
        {"reg.php",
         {{"beta", FieldKind::Integer},
          {"username", text},
          {"passwordHash", FieldKind::Digest},
          {"password", text},
          {"email", text}}},
        {"highscore.php",
         {{"gamemode", FieldKind::Integer},
          {"level", FieldKind::Integer},
          {"username", text},
          {"userid", FieldKind::Integer}}},
        {"death.php", resultFields(false)},
        {"score.php", resultFields(true)},
        {"world_ranking_staggered.php",
         {{"gamemode", FieldKind::Integer}, {"offset", FieldKind::Integer}}},
        {"client_cheeve.php",
         {{"userid", FieldKind::Integer},
          {"passwordHash", FieldKind::Digest},
          {"cheeve", FieldKind::Token}}},
        {"sync_cheeves.php", {{"userid", FieldKind::Integer}, {"passwordHash", FieldKind::Digest}}},
        // The one request with a body: the replay of a result score.php stored.
        {"replay.php",
         {{"gamemode", FieldKind::Integer},
          {"level", FieldKind::Integer},
          {"score", FieldKind::Integer},
          {"sha256", FieldKind::Token},
          {"sessionhash", FieldKind::Token},
          {"userid", FieldKind::Integer},
          {"passwordHash", FieldKind::Digest}}},
        // Seeds for ranked levels; the session hash is empty before the first game.
        {"seeds.php",
         {{"sessionhash", text},
          {"userid", FieldKind::Integer},
          {"passwordHash", FieldKind::Digest}}},
    };
}

const std::vector<EndpointSpec>& endpointSpecs() {
    static const std::vector<EndpointSpec> specs = buildSpecs();
    return specs;
}

bool isIntegerText(const std::string& text) {
    if (text.empty() || text.size() > maxNumberLength) return false;
    size_t start = text[0] == '-' ? 1 : 0;
    if (start == text.size()) return false;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    errno = 0;
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    return errno == 0 && value >= std::numeric_limits<int>::min() &&
           value <= std::numeric_limits<int>::max();
}

bool isDecimalText(const std::string& text) {
    if (text.empty() || text.size() > maxNumberLength) return false;
    for (char c : text) {
        bool allowed = (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == '+' || c == '-';
        if (!allowed) return false;
    }
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

bool isDigestText(const std::string& text) {
    if (text.size() != digestLength) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

bool isTokenText(const std::string& text) {
    if (text.empty() || text.size() > maxTokenLength) return false;
    for (char c : text) {
        bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alnum) return false;
    }
    return true;
}

static bool isPlainText(const std::string& text) {
    if (text.size() > maxTextLength) return false;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) return false;
    }
    return true;
}

static bool fitsKind(const std::string& value, FieldKind kind) {
    switch (kind) {
        case FieldKind::Integer:
            return isIntegerText(value);
        case FieldKind::Decimal:
            return isDecimalText(value);
        case FieldKind::Digest:
            return isDigestText(value);
        case FieldKind::Token:
            return isTokenText(value);
        case FieldKind::Text:
            return isPlainText(value);
    }
    return false;
}

struct SplitState {
    const std::string& query;
    const std::vector<FieldSpec>& fields;
    std::vector<std::string> values;
    int attempts;
};

// Cross-field rule of registration: the digest must be the password's.
static bool acceptsWhole(const std::string& endpoint, const ParsedRequest& parsed) {
    if (endpoint != "reg.php") return true;
    return md5Hex(fieldValue(parsed, "password")) == fieldValue(parsed, "passwordHash");
}

// Value `index` starts at `start`; tries every place where the next key's separator occurs.
static bool splitFrom(SplitState& state, size_t index, size_t start, const std::string& endpoint,
                      ParsedRequest& parsed) {
    if (++state.attempts > maxSplitAttempts) return false;
    const FieldSpec& field = state.fields[index];
    if (index + 1 == state.fields.size()) {
        std::string value = state.query.substr(start);
        if (!fitsKind(value, field.kind)) return false;
        parsed.values[field.key] = value;
        for (size_t i = 0; i < index; ++i) parsed.values[state.fields[i].key] = state.values[i];
        return acceptsWhole(endpoint, parsed);
    }
    std::string separator = std::string("&") + state.fields[index + 1].key + "=";
    for (size_t at = state.query.find(separator, start); at != std::string::npos;
         at = state.query.find(separator, at + 1)) {
        state.values[index] = state.query.substr(start, at - start);
        if (!fitsKind(state.values[index], field.kind)) continue;
        if (splitFrom(state, index + 1, at + separator.size(), endpoint, parsed)) return true;
        if (state.attempts > maxSplitAttempts) return false;
    }
    return false;
}

static const EndpointSpec* findSpec(const std::string& name) {
    for (const EndpointSpec& spec : endpointSpecs()) {
        if (name == spec.name) return &spec;
    }
    return nullptr;
}

bool parseRequest(const std::string& request, ParsedRequest& parsed) {
    parsed = ParsedRequest();
    size_t mark = request.find('?');
    std::string name = request.substr(0, mark);
    const EndpointSpec* spec = findSpec(name);
    if (spec == nullptr) return false;
    parsed.endpoint = name;
    std::string query = mark == std::string::npos ? "" : request.substr(mark + 1);
    if (spec->fields.empty()) return query.empty();
    std::string firstKey = std::string(spec->fields[0].key) + "=";
    if (query.compare(0, firstKey.size(), firstKey) != 0) return false;
    SplitState state{query, spec->fields, std::vector<std::string>(spec->fields.size()), 0};
    if (splitFrom(state, 0, firstKey.size(), name, parsed)) return true;
    parsed.values.clear();
    return false;
}

const std::string& fieldValue(const ParsedRequest& parsed, const std::string& key) {
    static const std::string none;
    auto found = parsed.values.find(key);
    return found == parsed.values.end() ? none : found->second;
}
