// zentrix-server: the reference game server.
#include "server/cli.h"

int main(int argc, char** argv) {
    return runServerCommand(argc, argv);
}
