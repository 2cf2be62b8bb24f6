// Splitting plain requests by each endpoint's key order.
#include <gtest/gtest.h>

#include "protocol/encodings.h"
#include "server/query.h"
#include "tests/time_limit.h"

namespace {

ParsedRequest parsed(const std::string& request) {
    ParsedRequest result;
    EXPECT_TRUE(parseRequest(request, result)) << request;
    return result;
}

bool refused(const std::string& request) {
    ParsedRequest result;
    return !parseRequest(request, result);
}

std::string loginWith(const std::string& name, const std::string& password,
                      const std::string& mac) {
    return "login.php?version=rc2&build=direct&platform=&username=" + name +
           "&password=" + password +
           "&glversion=4.5 Mesa&videocard=llvmpipe&manufacturer=Mesa&res=800x600"
           "&gameversion=Version 1.0.0.0&os=Debian&ram=8000&cpu=Xeon @ 2.2GHz&mac=" +
           mac;
}

}  // namespace

TEST(Query, KeysWithoutValuesAndEndpointsWithoutKeys) {
    EXPECT_EQ(parsed("news.php").endpoint, "news.php");
    EXPECT_EQ(parsed("which_server.php").endpoint, "which_server.php");
    EXPECT_TRUE(refused("news.php?extra=1"));
    EXPECT_TRUE(refused("nosuch.php?a=1"));
    EXPECT_TRUE(refused(""));
}

TEST(Query, LoginValuesKeepSpacesAndSymbols) {
    ParsedRequest login =
        parsed(loginWith("Ann Lee", "p@ss w-o_r.d", "02-42-AC-11-00-02 0A-1B-2C-3D-4E-5F"));
    EXPECT_EQ(fieldValue(login, "username"), "Ann Lee");
    EXPECT_EQ(fieldValue(login, "password"), "p@ss w-o_r.d");
    EXPECT_EQ(fieldValue(login, "platform"), "");
    EXPECT_EQ(fieldValue(login, "cpu"), "Xeon @ 2.2GHz");
    EXPECT_EQ(fieldValue(login, "mac"), "02-42-AC-11-00-02 0A-1B-2C-3D-4E-5F");
}

TEST(Query, AmpersandAndEqualsInsideValuesInjectNoKey) {
    ParsedRequest login = parsed(loginWith("Ann", "a&b=c&username=Admin", ""));
    EXPECT_EQ(fieldValue(login, "username"), "Ann");
    EXPECT_EQ(fieldValue(login, "password"), "a&b=c&username=Admin");
    EXPECT_EQ(login.values.size(), 14u);
    EXPECT_EQ(fieldValue(login, "admin"), "");
}

TEST(Query, RegistrationDigestPicksTheSplit) {
    std::string password = "x&email=evil";
    ParsedRequest reg = parsed("reg.php?beta=1&username=Ann Lee&passwordHash=" + md5Hex(password) +
                               "&password=" + password + "&email=ann@example.com");
    EXPECT_EQ(fieldValue(reg, "password"), password);
    EXPECT_EQ(fieldValue(reg, "email"), "ann@example.com");
    EXPECT_TRUE(refused("reg.php?beta=1&username=Ann&passwordHash=" + md5Hex("other") +
                        "&password=mine&email=a@b.c"));
}

TEST(Query, KeysOutOfOrderOrMissingAreRefused) {
    EXPECT_TRUE(refused("checkname.php?name=Ann"));
    EXPECT_TRUE(refused("logout.php?userid=1&beta2=1&playhash=abc"));
    EXPECT_TRUE(refused("world_ranking_staggered.php?gamemode=1"));
    EXPECT_TRUE(refused("world_ranking_staggered.php?offset=0&gamemode=1"));
    EXPECT_EQ(fieldValue(parsed("world_ranking_staggered.php?gamemode=1&offset=100"), "offset"),
              "100");
}

TEST(Query, ValueKindsAreChecked) {
    EXPECT_TRUE(refused("world_ranking_staggered.php?gamemode=1 OR 1=1&offset=0"));
    EXPECT_TRUE(refused("world_ranking_staggered.php?gamemode=99999999999&offset=0"));
    EXPECT_TRUE(refused("sync_cheeves.php?userid=1&passwordHash=ABCDEF"));
    EXPECT_TRUE(refused("logout.php?beta2=1&userid=1&playhash=abc'--"));
    EXPECT_TRUE(refused("checkname.php?username=tab\there"));
    EXPECT_TRUE(refused("checkname.php?username=" + std::string(2000, 'a')));
    EXPECT_FALSE(refused("world_ranking_staggered.php?gamemode=-1&offset=0"));
}

TEST(Query, DeathTimeIsDecimalAndScoreTimeWhole) {
    std::string stats =
        "gamemode=2&level=3&score=100&time=%s&apm=5&controls=0&drops=1&rotates=2"
        "&pup1earned=0&pup2earned=0&pup3earned=0&pup1used=0&pup2used=0&pup3used=0"
        "&kills=4";
    auto withTime = [&](const std::string& time) {
        std::string text = stats;
        text.replace(text.find("%s"), 2, time);
        return text;
    };
    std::string tail = "&sessionhash=20240101120000123&userid=7&passwordHash=" + md5Hex("pw");
    EXPECT_EQ(fieldValue(parsed("death.php?" + withTime("61.234") + tail), "time"), "61.234");
    EXPECT_EQ(fieldValue(parsed("death.php?" + withTime("1.5e+06") + tail), "time"), "1.5e+06");
    EXPECT_EQ(
        fieldValue(parsed("score.php?" + withTime("61") + "&performance=5" + tail), "performance"),
        "5");
    EXPECT_TRUE(refused("score.php?" + withTime("61.2") + "&performance=5" + tail));
    EXPECT_TRUE(refused("score.php?" + withTime("61") + tail));  // no performance
}

TEST(Query, PathologicalSeparatorsEndQuickly) {
    std::string value;
    for (int i = 0; i < 200; ++i) value += "&password=";
    finishesInTime([&] { EXPECT_TRUE(refused(loginWith("Ann", value, "") + "\x01")); });
}
