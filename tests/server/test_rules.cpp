// The server's rules: skillpoints, references, versions, names, achievements.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "protocol/encodings.h"
#include "server/accounts.h"
#include "server/achievements.h"
#include "server/admin.h"
#include "server/credentials.h"
#include "server/scores.h"
#include "server/secure.h"
#include "server/throttle.h"
#include "tests/server/server_harness.h"

namespace {

LevelReference meanOf(long long centre) {
    LevelReference reference;
    reference.count = 10;
    reference.centre = centre;
    return reference;
}

// The histogram of a list of scores, as the database keeps it.
std::vector<BinCount> binsOf(const std::vector<long long>& scores) {
    std::map<int, long long> counts;
    for (long long score : scores) ++counts[scoreBin(score)];
    std::vector<BinCount> bins;
    for (const auto& entry : counts) bins.push_back(BinCount{entry.first, entry.second});
    return bins;
}

// The throttle's clock in the tests that set the time.
long long throttleNowMs = 0;

long long testClockMs() {
    return throttleNowMs;
}

}  // namespace

TEST(Rules, ResultPointsRewardHigherScores) {
    LevelReference reference = meanOf(5000);
    long long previous = -1;
    for (long long score : {0LL, 100LL, 2500LL, 5000LL, 10000LL, 100000LL, 2000000000LL}) {
        long long points = resultPoints(score, reference);
        EXPECT_GT(points, previous) << score;
        EXPECT_LT(points, 1000);
        previous = points;
    }
    EXPECT_EQ(resultPoints(5000, reference), 500);
}

TEST(Rules, ResultPointsNeverNegative) {
    EXPECT_EQ(resultPoints(-250000, meanOf(5000)), 0);
    EXPECT_EQ(resultPoints(0, meanOf(0)), 0);
    EXPECT_EQ(resultPoints(700, LevelReference()), 500);  // the first result of a level
}

TEST(Rules, ReferenceIsMedianAndQuartileSpread) {
    LevelReference reference = referenceFromBins(binsOf({3000, 1000, 2000}));
    EXPECT_EQ(reference.count, 3);
    EXPECT_NEAR(reference.centre, 2000, 2000 * 0.02);
    EXPECT_NEAR(reference.spread, 1000 / 1.349, 1000 / 1.349 * 0.04);
    EXPECT_EQ(referenceFromBins(binsOf({-5000, -10, 0})).centre, 0);  // Rush below zero
    EXPECT_EQ(publishedReference(referenceFromBins(binsOf({10, 10}))).centre, 0);
    EXPECT_EQ(publishedReference(referenceFromBins(binsOf({10, 10}))).spread, 0);
    EXPECT_NEAR(publishedReference(referenceFromBins(binsOf({10, 10, 10}))).centre, 10, 1);
}

TEST(Rules, OneOutlierCannotMoveTheReference) {
    const long long step = 500;  // between neighbouring honest scores
    std::vector<long long> scores = {3000, 3500, 4000, 4500, 5000, 5500, 6000, 6500, 7000};
    LevelReference honest = referenceFromBins(binsOf(scores));
    for (long long outlier : {99999999LL, -10000000LL, 0LL}) {
        std::vector<long long> poisoned = scores;
        poisoned.push_back(outlier);
        LevelReference after = referenceFromBins(binsOf(poisoned));
        // At most one place in the order: the neighbouring score, give or take two bin widths.
        double onePlace = step + 0.04 * honest.centre;
        EXPECT_LE(std::llabs(after.centre - honest.centre), onePlace) << outlier;
        EXPECT_LE(std::llabs(after.spread - honest.spread), onePlace / 1.349) << outlier;
    }
}

TEST(Rules, VersionsCompareByNumbers) {
    EXPECT_LT(compareVersions("Version 1.0.0.0", "1.1"), 0);
    EXPECT_EQ(compareVersions("Version 1.1.0.0", "1.1"), 0);
    EXPECT_GT(compareVersions("Version 1.10.0.0", "1.9"), 0);
    EXPECT_LT(compareVersions("garbage", "0.1"), 0);
}

TEST(Rules, PlayerNames) {
    EXPECT_TRUE(isValidPlayerName("Ann Lee"));
    EXPECT_TRUE(isValidPlayerName("a.b-c_d@e"));
    // The lengths at their edges are the end-to-end test's, through the whole server.
    EXPECT_FALSE(isValidPlayerName(" Ann"));
    EXPECT_FALSE(isValidPlayerName("Ann,Lee"));
    EXPECT_FALSE(isValidPlayerName("Ann&Lee"));
    EXPECT_EQ(nameKey("AnN LeE"), "ann lee");
}

// The keys themselves are the game's and the server's shared table, checked
// with the game's achievements; here only what the server judges.
TEST(Rules, AchievementTable) {
    int clientCount = 0;
    for (int number = 1; number <= achievementCount; ++number)
        clientCount += isClientJudged(number);
    EXPECT_EQ(clientCount, 8);
    EXPECT_TRUE(isClientJudged(achievementNumber("personalgrowth")));
    EXPECT_FALSE(isClientJudged(achievementNumber("epic")));
}

TEST(Rules, PasswordDigestsAreHashedWithArgon2id) {
    std::string digest = md5Hex("secret");
    std::string stored = hashPasswordDigest(digest);
    EXPECT_EQ(stored.compare(0, 10, "$argon2id$"), 0) << stored;
    EXPECT_NE(stored.find("m=19456,t=2"), std::string::npos) << stored;
    EXPECT_TRUE(verifyPasswordDigest(stored, digest));
    EXPECT_FALSE(verifyPasswordDigest(stored, md5Hex("Secret")));
    EXPECT_NE(hashPasswordDigest(digest), stored);  // salted
}

TEST(Rules, SecureDataRoundTripAndRefusals) {
    ServerKey key;
    std::string error;
    ASSERT_TRUE(loadServerKey(serverPrivateKey(), key, error));
    std::string request(300, 'r');
    std::string data =
        makeUrlSafe(removeCrLf(base64Encode(rsaEncryptChunks(request, serverPublicKey))));
    std::string plain, reason;
    EXPECT_TRUE(decodeSecureData(key, data, plain, reason));
    EXPECT_EQ(plain, request);
    EXPECT_FALSE(decodeSecureData(key, data.substr(0, 100), plain, reason));
    EXPECT_FALSE(decodeSecureData(key, "a+b/", plain, reason));
    EXPECT_FALSE(decodeSecureData(key, std::string(20000, 'A'), plain, reason));
    std::string control =
        makeUrlSafe(removeCrLf(base64Encode(rsaEncryptChunks("a\nb", serverPublicKey))));
    EXPECT_FALSE(decodeSecureData(key, control, plain, reason));
    EXPECT_EQ(rsaDecryptChunks(base64Decode(makePasswordBlob(key, "pw d")), serverPublicKey),
              "pw d");
    freeServerKey(key);
    EXPECT_FALSE(loadServerKey("not a key", key, error));
}

TEST(Rules, KeygenKeepsAnExistingPairAndHidesThePrivateKey) {
    std::string folder =
        std::filesystem::temp_directory_path() / ("zentrix-keys-" + std::to_string(::getpid()));
    std::string error;
    ASSERT_TRUE(generateKeyPair(folder, false, error)) << error;
    std::string privatePath = folder + "/server_private.pem";
    EXPECT_EQ(std::filesystem::status(privatePath).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::string first = readWholeFile(privatePath);
    EXPECT_FALSE(generateKeyPair(folder, false, error));
    EXPECT_NE(error.find("--force"), std::string::npos) << error;
    EXPECT_EQ(readWholeFile(privatePath), first);
    ASSERT_TRUE(generateKeyPair(folder, true, error)) << error;
    EXPECT_NE(readWholeFile(privatePath), first);
    std::filesystem::remove_all(folder);
}

// Three wrong passwords are free; the third's wait of one second is a whole
// second from that failure, even when it falls a moment before a second ends,
// and each failure after it doubles the wait.
TEST(Rules, AFailureWaitLastsItsWholeDelay) {
    resetThrottle();
    setThrottleClock(testClockMs);
    const std::string key = "user:7|203.0.113.9";
    throttleNowMs = 41999;
    throttleFailure(key);
    throttleFailure(key);
    EXPECT_TRUE(throttleAllows(key)) << "two mistakes cost nothing";
    throttleFailure(key);
    throttleNowMs = 42001;
    EXPECT_FALSE(throttleAllows(key)) << "the wait began 2 ms ago";
    throttleNowMs = 42998;
    EXPECT_EQ(throttleWaitMs(key), 1);
    throttleNowMs = 42999;
    EXPECT_TRUE(throttleAllows(key));
    throttleFailure(key);
    throttleNowMs = 42999 + 1999;
    EXPECT_FALSE(throttleAllows(key)) << "the fourth failure waits two seconds";
    throttleNowMs = 42999 + 2000;
    EXPECT_TRUE(throttleAllows(key));
    throttleSuccess(key);
    EXPECT_EQ(throttleWaitMs(key), 0);
    setThrottleClock(nullptr);
    resetThrottle();
}

TEST(Rules, ClientAddressesAndTheirGroups) {
    EXPECT_EQ(addressGroup("203.0.113.9"), "203.0.113.9");
    EXPECT_EQ(addressGroup("::ffff:203.0.113.9"), "203.0.113.9");
    EXPECT_EQ(addressGroup("2001:db8:1:2:aaaa:bbbb:cccc:dddd"), "2001:db8:1:2::/64");
    EXPECT_TRUE(cidrContains("10.0.0.0/8", "10.200.3.4"));
    EXPECT_FALSE(cidrContains("10.0.0.0/8", "11.0.0.1"));
    EXPECT_TRUE(cidrContains("2001:db8::/32", "2001:db8:ffff::1"));
    // Only a trusted proxy's word counts, and only the hop it added.
    const std::string proxies = "10.0.0.0/8, 192.168.1.1";
    EXPECT_EQ(forwardedClient("10.1.1.1", "198.51.100.4", proxies), "198.51.100.4");
    EXPECT_EQ(forwardedClient("10.1.1.1", "6.6.6.6, 198.51.100.4, 192.168.1.1", proxies),
              "198.51.100.4");
    EXPECT_EQ(forwardedClient("203.0.113.7", "198.51.100.4", proxies), "203.0.113.7");
    EXPECT_EQ(forwardedClient("10.1.1.1", "not-an-address", proxies), "10.1.1.1");
    EXPECT_EQ(forwardedClient("10.1.1.1", "198.51.100.4", ""), "10.1.1.1");
}
