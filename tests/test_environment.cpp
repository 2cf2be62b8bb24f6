// Every test process is wired as start-up wires the game: the rules' requests
// reach the online client and their effects the sound, the view and the
// settings file. The request log goes to the process's temporary folder, not
// the folder the tests are run from.
#include <gtest/gtest.h>

#include "online/requests.h"
#include "online/scores.h"
#include "screens/game_view.h"
#include "temp_folder.h"

namespace {

struct StartUpWiring : ::testing::Environment {
    void SetUp() override {
        connectPlayRequests();
        connectPlayEffects();
        urlsLogPath = tempDir() + "/urls.txt";
    }
};

const auto* const wiring = ::testing::AddGlobalTestEnvironment(new StartUpWiring);

}  // namespace
