// Kept apart from the archive reader, which the index fuzzer builds alone.
#include "engine/asset_archive_check.h"

#include <cstdlib>
#include <string>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "engine/gl_caps.h"

void endIfAssetArchiveMissing() {
    std::string message = missingArchiveMessage();
    if (message.empty()) return;
    logConsole(message);
    showMessageBox(message, "Error");
    endProgram(EXIT_FAILURE);
}
