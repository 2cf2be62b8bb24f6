// A guard for tests of hostile input: a parser that loops forever on such an
// input must fail its test, not hang the whole suite. The limit is generous
// (it catches a hang, not a slow machine) and counts on the steady clock.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>

constexpr std::chrono::seconds hostileInputLimit{60};

// Runs `body` on a thread of its own. A body still running at the limit
// cannot be stopped from outside: the test fails and the process ends.
template <class Body>
void finishesInTime(Body body, std::chrono::seconds limit = hostileInputLimit) {
    std::future<void> done = std::async(std::launch::async, body);
    if (done.wait_for(limit) == std::future_status::ready) return done.get();
    ADD_FAILURE() << "still running after " << limit.count() << " s";
    std::fflush(nullptr);
    std::_Exit(1);
}
