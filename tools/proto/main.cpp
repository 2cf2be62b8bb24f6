// zentrix-proto: encodes and decodes the game's secure requests and makes the
// password blobs the server issues, for tests and for reading traffic by hand.
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "protocol/encodings.h"

static const size_t rsaBlockSize = 128;
static const int exitFailure = 1;
static const int exitUsage = 2;

static const char usageText[] =
    "Usage: zentrix-proto COMMAND VALUE [OPTION]...\n"
    "Encodes and decodes the game's secure requests.\n\n"
    "  zentrix-proto encode REQUEST [--base URL]\n"
    "      print the secure URL of a plain request (\"login.php?...\")\n"
    "  zentrix-proto decode URL_OR_DATA --key PRIVATE.pem\n"
    "      print the plain request inside a secure URL or its data value\n"
    "  zentrix-proto blob TEXT --key PRIVATE.pem\n"
    "      print the Base64 password blob the server issues for TEXT\n"
    "  zentrix-proto --help | --version\n";

struct Arguments {
    std::string command;
    std::string value;
    std::map<std::string, std::string> options;  // "--base" / "--key" -> value
};

static int fail(const std::string& message) {
    std::cerr << "zentrix-proto: " << message << "\n";
    return exitFailure;
}

static int usage(const std::string& message) {
    std::cerr << "zentrix-proto: " << message << "\n"
              << "Usage: zentrix-proto COMMAND VALUE [OPTION]...\n"
                 "Try 'zentrix-proto --help' for more information.\n";
    return exitUsage;
}

// --help and --version, alone on the command line; -1 when neither is given.
static int answerInformationOptions(int argc, char** argv) {
    std::string first = argc == 2 ? argv[1] : "";
    if (first == "--help") std::cout << usageText;
    if (first == "--version")
        std::cout << "zentrix-proto " ZENTRIX_VERSION "\nCopyright (C) 2026 Brisko Game Studios\n";
    return first == "--help" || first == "--version" ? 0 : -1;
}

// Fills `arguments`; returns an error text, or "" when the command line is well formed.
static std::string parseArguments(int argc, char** argv, Arguments& arguments) {
    if (argc < 3) return "missing command or its argument";
    arguments.command = argv[1];
    arguments.value = argv[2];
    for (int i = 3; i < argc; i += 2) {
        std::string name = argv[i];
        if (name != "--base" && name != "--key") return "unknown option " + name;
        if (i + 1 >= argc) return "option " + name + " needs a value";
        arguments.options[name] = argv[i + 1];
    }
    return "";
}

static bool readFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream contents;
    contents << file.rdbuf();
    text = contents.str();
    return !file.bad();
}

// A usable private key can always encrypt one byte.
static bool isUsablePrivateKey(const std::string& pem) {
    return !rsaPrivateEncryptChunks("k", pem).empty();
}

// The data value of a secure URL; input without a "data=" parameter is taken as the data itself.
static std::string extractData(const std::string& urlOrData) {
    const std::string parameter = "data=";
    for (const std::string& marker : {"?" + parameter, "&" + parameter}) {
        size_t position = urlOrData.find(marker);
        if (position != std::string::npos) return urlOrData.substr(position + marker.size());
    }
    if (urlOrData.compare(0, parameter.size(), parameter) == 0) {
        return urlOrData.substr(parameter.size());
    }
    return urlOrData;
}

static int runEncode(const Arguments& arguments) {
    if (arguments.options.count("--key")) return usage("encode uses the compiled-in key, no --key");
    auto base = arguments.options.find("--base");
    if (base != arguments.options.end()) secureBaseUrl = base->second;
    std::string url = makeSecureUrl(arguments.value);
    if (!arguments.value.empty() && url.size() == secureBaseUrl.size()) {
        return fail("the compiled-in public key could not encrypt the request");
    }
    std::cout << url << "\n";
    return 0;
}

// Decrypts block by block so a damaged block is reported instead of silently dropped.
static int decryptBlocks(const std::string& encrypted, const std::string& pem) {
    std::string plain;
    for (size_t start = 0; start < encrypted.size(); start += rsaBlockSize) {
        std::string piece = rsaPrivateDecryptChunks(encrypted.substr(start, rsaBlockSize), pem);
        if (piece.empty()) {
            return fail("block " + std::to_string(start / rsaBlockSize + 1) +
                        " does not decrypt with this key");
        }
        plain += piece;
    }
    std::cout << plain << "\n";
    return 0;
}

static int runDecode(const Arguments& arguments, const std::string& pem) {
    std::string data = extractData(removeCrLf(arguments.value));
    if (data.empty()) return fail("no data to decode");
    std::string encrypted = base64Decode(makeUrlUnsafe(data));
    if (encrypted.empty()) return fail("the data is not valid Base64");
    if (encrypted.size() % rsaBlockSize != 0) {
        return fail("the data holds " + std::to_string(encrypted.size()) +
                    " bytes, not a whole number of 128-byte blocks");
    }
    return decryptBlocks(encrypted, pem);
}

static int runBlob(const Arguments& arguments, const std::string& pem) {
    std::string blob = removeCrLf(base64Encode(rsaPrivateEncryptChunks(arguments.value, pem)));
    if (!arguments.value.empty() && blob.empty()) return fail("the key could not encrypt TEXT");
    std::cout << blob << "\n";
    return 0;
}

static int runWithKey(const Arguments& arguments) {
    if (arguments.options.count("--base")) return usage("--base belongs to encode only");
    auto keyPath = arguments.options.find("--key");
    if (keyPath == arguments.options.end()) return usage(arguments.command + " needs --key");
    std::string pem;
    if (!readFile(keyPath->second, pem)) return fail("cannot read key file " + keyPath->second);
    if (!isUsablePrivateKey(pem)) {
        return fail(keyPath->second + " is not an unencrypted RSA private key in PEM form");
    }
    if (arguments.command == "decode") return runDecode(arguments, pem);
    return runBlob(arguments, pem);
}

int main(int argc, char** argv) {
    int answered = answerInformationOptions(argc, argv);
    if (answered >= 0) return answered;
    Arguments arguments;
    std::string error = parseArguments(argc, argv, arguments);
    if (!error.empty()) return usage(error);
    if (arguments.command == "encode") return runEncode(arguments);
    if (arguments.command == "decode" || arguments.command == "blob") return runWithKey(arguments);
    return usage("unknown command " + arguments.command);
}
