// Publishing patches: the admin command that copies, signs and records a patch.
#pragma once

#include <string>

#include "server/releases.h"

// Copies `file` into `patchDir` under a temporary name, writes NAME.sig beside
// it (the raw RSA-SHA256 signature of its bytes, made with `key`), renames both
// into place and records the patch as the newest. A name is published once.
bool publishPatch(Database* database, const ServerKey& key, const std::string& file, bool isExe,
                  const std::string& minVersion, const std::string& patchDir, std::string& error);
