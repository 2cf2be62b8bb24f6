#include "dev/launch_start.h"
#include "shell/main_loop.h"

// The game with its development options: --start and --autoplay run the bot,
// --replay shows a recorded level.
int main(int argc, char** argv) {
    developmentHooks = {runDevelopmentFrame,
                        [] {
                            checkAutoplayGlErrors();
                            timeAutoplayFrame();
                        },
                        logAutoplayFrameTimes};
    return runProgram(argc, argv);
}
