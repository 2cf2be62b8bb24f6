// The server's command line: keygen, serve, news set, patch publish.
#pragma once

// Runs one command; the process exit status.
int runServerCommand(int argc, char** argv);
