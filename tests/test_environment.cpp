// Every test process is wired as start-up wires the game: the rules' requests
// reach the online client and their effects the sound, the view and the
// settings file.
#include <gtest/gtest.h>

#include "online/scores.h"
#include "screens/game_view.h"

namespace {

struct StartUpWiring : ::testing::Environment {
    void SetUp() override {
        connectPlayRequests();
        connectPlayEffects();
    }
};

const auto* const wiring = ::testing::AddGlobalTestEnvironment(new StartUpWiring);

}  // namespace
