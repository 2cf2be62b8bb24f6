// Kept apart from the archive reader, which the index fuzzer builds alone.
#include "engine/asset_archive_check.h"

#include <cstdlib>
#include <string>

#include "engine/asset_archive.h"
#include "shell/console_log.h"
#include "shell/gl_caps.h"

void endIfAssetArchiveMissing() {
    std::string message = missingArchiveMessage();
    if (message.empty()) return;
    logConsole(message);
    showMessageBox(message, "Error");
    endProgram(EXIT_FAILURE);
}
