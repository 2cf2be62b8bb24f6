// Shared by the online tests: requests go to a port where nothing answers,
// the account is online with no achievement held, and the popups read back.
#pragma once

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "online/account.h"
#include "online/achievements.h"
#include "online/replies.h"
#include "online/requests.h"
#include "protocol/encodings.h"

namespace onlinetest {

constexpr int32_t couldNotConnect = 7;  // CURLE_COULDNT_CONNECT

inline void goOnlineWithoutAnswers() {
    secureBaseUrl = "http://127.0.0.1:1/secure.php?data=";
    serverLink.connectionMode = ConnectionOnline;
    if (!curlMulti) startHttp();
    requestLog.clear();
    userId = "12";
    std::fill(std::begin(unlockedAchievements), std::end(unlockedAchievements), false);
    serverLink.unlockPopups.clear();
    pendingCheeve.clear();
    serverLink.cheeveWaitMs = 0;
}

inline void stopRequests() {
    stopHttp();
    requestLog.clear();
}

// Pumps as the frames do until no transfer runs; false after 60 s.
inline bool pumpUntilDone() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        curlprocess();
        bool running = false;
        for (const HttpRequest& request : requestLog) running |= !request.done;
        if (!running) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

inline std::vector<int32_t> popupNumbers() {
    std::vector<int32_t> numbers;
    for (const UnlockPopup& popup : serverLink.unlockPopups) numbers.push_back(popup.number);
    return numbers;
}

}  // namespace onlinetest
