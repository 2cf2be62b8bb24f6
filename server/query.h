// The requests the server understands: each logical endpoint with its keys in
// the order the client writes them, and the parser that splits a request by
// that order (values arrive unescaped, so "&" and "=" may occur inside them).
#pragma once

#include <map>
#include <string>
#include <vector>

// What a value may look like; anything else makes the request malformed.
enum class FieldKind {
    Integer,  // optional "-" and decimal digits, within 32 bits
    Decimal,  // a finite decimal number such as "12.5" or "1.5e+06"
    Digest,   // 32 lower-case hexadecimal digits
    Token,    // 1 to 64 letters and digits
    Text,     // up to 1024 bytes, no control characters, may be empty
};

struct FieldSpec {
    const char* key;
    FieldKind kind;
};

struct EndpointSpec {
    const char* name;               // "login.php"
    std::vector<FieldSpec> fields;  // in the order the client writes them
};

struct ParsedRequest {
    std::string endpoint;                       // "login.php"
    std::map<std::string, std::string> values;  // key -> value, every key of the endpoint
};

// The table of endpoints, for the router and the tests.
const std::vector<EndpointSpec>& endpointSpecs();

// Splits a plain relative request; false when the endpoint is unknown or the
// query does not follow its keys exactly.
bool parseRequest(const std::string& request, ParsedRequest& parsed);

// The value of `key`, or "" when the request has no such key.
const std::string& fieldValue(const ParsedRequest& parsed, const std::string& key);

// Whole-text checks shared with the rest of the server.
bool isIntegerText(const std::string& text);
bool isDecimalText(const std::string& text);
bool isDigestText(const std::string& text);
bool isTokenText(const std::string& text);
