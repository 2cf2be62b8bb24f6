#include "protocol/achievement_keys.h"

static const char* const achievementKeys[achievementCount + 1] = {
    "",
    "lightheaded",
    "chainreaction",
    "personalgrowth",
    "epic",
    "legendary",
    "zentrix",
    "massaddict",
    "learnedtoplay",
    "zentricpro",
    "zentricmaster",
    "zentricexpert",
    "zentricallyinsane",
    "holdstill",
    "quicksave",
    "ambidextrous",
    "elitist",
    "betatester",
    "classicallytrained",
    "brisko",
    "killstreak",
    "buttonmasher",
    "zenmaster",
    "intothevoid",
    "enlightenment",
    "survivalist",
    "youvegotredonyou",
    "lastmanstanding",
};

int32_t achievementNumber(const std::string& key) {
    for (int32_t number = 1; number <= achievementCount; ++number)
        if (key == achievementKeys[number]) return number;
    return 0;
}

std::string achievementKey(int32_t number) {
    if (number < 1 || number > achievementCount) return "";
    return achievementKeys[number];
}
