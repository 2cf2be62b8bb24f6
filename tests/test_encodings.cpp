// Chunked RSA, Base64, the secure request URL, digests and the small encoders.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "protocol/encodings.h"
#include "temp_folder.h"

namespace {

const size_t blockSize = 128;

const std::string& privateKey() {
    static const std::string pem = serverPrivateKey();
    return pem;
}

// The data value of a secure URL, as Base64 in the standard alphabet.
std::string dataOf(const std::string& url) {
    EXPECT_EQ(url.compare(0, secureBaseUrl.size(), secureBaseUrl), 0) << url;
    return makeUrlUnsafe(url.substr(secureBaseUrl.size()));
}

// What the server does with a secure URL.
std::string serverDecrypt(const std::string& url) {
    return rsaPrivateDecryptChunks(base64Decode(dataOf(url)), privateKey());
}

std::string loginRequest() {
    return "login.php?username=Player One&password=pa ss&version=1.0.0.0"
           "&os=Debian GNU/Linux 12 (bookworm)&cpu=Intel(R) Xeon(R) CPU @ 2.20GHz&ram=7941"
           "&gl=4.5 (Compatibility Profile) Mesa 22.3.6&card=llvmpipe (LLVM 15.0.6, 256 bits)"
           "&manufacturer=Mesa&mac=02-42-AC-11-00-02 0A-1B-2C-3D-4E-5F";
}

}  // namespace

TEST(Encodings, RequestsGoIn117ByteBlocksOf128EncryptedBytes) {
    // Each block of 128 encrypted bytes holds 117 of the request (PKCS#1 padding).
    const std::pair<size_t, size_t> sizesAndBlocks[] = {
        {0, 0}, {117, 1}, {118, 2}, {234, 2}, {235, 3}};
    for (const auto& [size, blocks] : sizesAndBlocks) {
        std::string request(size, 'a');
        EXPECT_EQ(rsaEncryptChunks(request, serverPublicKey).size(), blocks * blockSize) << size;
        std::string url = makeSecureUrl(request);
        EXPECT_EQ(dataOf(url).size(), (blocks * blockSize + 2) / 3 * 4) << size;
        EXPECT_EQ(serverDecrypt(url), request) << size;
    }
}

// The secure URL opens with the private key, under whatever base is current,
// holds nothing a URL must escape, and is padded afresh each time.
TEST(Encodings, SecureUrlRoundTripsUnderTheCurrentBaseWithFreshPadding) {
    std::string url = makeSecureUrl(loginRequest());
    EXPECT_EQ(url.find_first_of("+/\r\n ", secureBaseUrl.size()), std::string::npos);
    EXPECT_EQ(serverDecrypt(url), loginRequest());
    EXPECT_NE(makeSecureUrl(loginRequest()), url);
    std::string saved = secureBaseUrl;
    secureBaseUrl = "http://example.test/secure.php?data=";
    url = makeSecureUrl("logout.php?userid=1");
    EXPECT_EQ(url.rfind(secureBaseUrl, 0), 0u);
    EXPECT_EQ(serverDecrypt(url), "logout.php?userid=1");
    secureBaseUrl = saved;
}

// An empty blob, a damaged or wrong key and blocks that do not decrypt give
// nothing, and the blocks around them still decrypt.
TEST(Encodings, BadKeysAndUndecryptableBlocksGiveNothing) {
    EXPECT_EQ(base64Decode(""), "");
    EXPECT_EQ(rsaDecryptChunks("", "not a key"), "");
    std::string broken = serverPublicKey;
    broken[40] = broken[40] == 'A' ? 'B' : 'A';
    broken.resize(broken.size() / 2);
    EXPECT_EQ(rsaEncryptChunks(std::string(300, 'x'), broken), "");
    EXPECT_EQ(rsaEncryptChunks("abc", ""), "");
    EXPECT_EQ(rsaDecryptChunks(std::string(256, '\x7f'), broken), "");
    EXPECT_EQ(rsaPrivateDecryptChunks(std::string(blockSize, '\1'), "garbage"), "");
    EXPECT_EQ(rsaPrivateEncryptChunks("abc", serverPublicKey), "");
    std::string good = rsaEncryptChunks(std::string(117, 'g'), serverPublicKey);
    std::string garbage(blockSize, '\x55');
    EXPECT_EQ(rsaPrivateDecryptChunks(garbage + good + "short", privateKey()),
              std::string(117, 'g'));
    EXPECT_EQ(rsaDecryptChunks(garbage, serverPublicKey), "");
}

// Base64 of known text, garbage refused, and the URL-safe alphabet mapped both ways.
TEST(Encodings, Base64OfKnownTextRefusesGarbage) {
    EXPECT_EQ(base64Encode(""), "");
    EXPECT_EQ(base64Encode("f"), "Zg==\n");
    EXPECT_EQ(base64Encode("\xfb\xff"), "+/8=\n");
    std::string encoded = base64Encode(std::string(48, 'z'));
    EXPECT_EQ(encoded.size(), 65u);
    EXPECT_EQ(encoded[64], '\n');
    EXPECT_EQ(base64Decode("!!!!"), "");
    EXPECT_EQ(base64Decode("abc"), "");
    EXPECT_EQ(base64Decode(std::string(5000, '\xff')), "");
    EXPECT_EQ(base64Decode(std::string("Zm9v\0Zm9v", 9)), "");
    // The URL-safe alphabet is the caller's to map back.
    EXPECT_EQ(base64Decode("+/8="), "\xfb\xff");
    EXPECT_NE(base64Decode("-_8="), "\xfb\xff");
    EXPECT_EQ(makeUrlSafe("a+b/c=="), "a-b_c==");
    EXPECT_EQ(makeUrlSafe("++//"), "--__");
    EXPECT_EQ(makeUrlUnsafe("a-b_c=="), "a+b/c==");
}

TEST(Encodings, Base64DecodesWrappedAndUnwrappedText) {
    std::string bytes;
    for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i * 7);
    std::string wrapped = base64Encode(bytes);
    ASSERT_NE(wrapped.find('\n'), std::string::npos);
    EXPECT_EQ(base64Decode(wrapped), bytes);
    std::string oneLine = removeCrLf(wrapped);
    ASSERT_GT(oneLine.size(), 64u);
    EXPECT_EQ(base64Decode(oneLine), bytes);
    std::string crlf;
    for (char c : wrapped) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(base64Decode(crlf), bytes);
}

TEST(Encodings, Md5KnownVectors) {
    EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Hex("password"), "5f4dcc3b5aa765d61d8327deb882cf99");
    // A NUL byte is hashed, not taken for the end of the text.
    EXPECT_EQ(md5Hex(std::string("a\0b", 3)), "70350f6027bce3713f6b76473084309b");
}

TEST(Encodings, HexStringIsCutAt510Bytes) {
    const unsigned char bytes[] = {0x00, 0x0f, 0xa0, 0xff};
    EXPECT_EQ(hexString(bytes, 4), "000fa0ff");
    EXPECT_EQ(hexString(bytes, 0), "");
    std::string many(600, '\xab');
    std::string hex = hexString(reinterpret_cast<const unsigned char*>(many.data()), many.size());
    EXPECT_EQ(hex.size(), 1020u);
    EXPECT_EQ(hex.substr(0, 4), "abab");
}

TEST(Encodings, MacAddressList) {
    EXPECT_EQ(formatMacAddressList(""), "");
    std::string one("\x00\x1a\x2b\x3c\x4d\xef", 6);
    EXPECT_EQ(formatMacAddressList(one), "00-1A-2B-3C-4D-EF");
    std::string two = one + std::string("\x02\x42\xac\x11\x00\x02", 6);
    EXPECT_EQ(formatMacAddressList(two), "00-1A-2B-3C-4D-EF 02-42-AC-11-00-02");
    EXPECT_EQ(formatMacAddressList(two + "\x01\x02\x03"), formatMacAddressList(two));
}
