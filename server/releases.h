// News text and published patches as stored: written by the admin commands,
// read by login (the update offer), news.php and the patch download.
#pragma once

#include <string>

#include "server/context.h"

struct PatchInfo {
    std::string fileName;    // base name inside the patch folder
    bool isExe = false;      // offered as "update_exe"
    std::string minVersion;  // clients older than this are offered the patch
    long long size = 0;      // bytes
    std::string md5;         // md5Hex of the whole file
};

bool setNews(Database* database, const std::string& text);
std::string currentNews(Database* database);

// Patch names become URL path parts and file names: letters, digits, ".", "-", "_" only.
bool isSafePatchName(const std::string& name);
// True for "NAME.sig", the signature file beside a patch.
bool isSignatureName(const std::string& name);
std::string signatureFileName(const std::string& fileName);
bool isPublishedPatch(Database* database, const std::string& fileName);
// The newest published patch; false when there is none.
bool latestPatch(Database* database, PatchInfo& patch);

// Compares the dotted numbers found in two version texts ("Version 1.2.0.0" vs "1.3"):
// negative, zero or positive like strcmp; missing parts count as 0.
int compareVersions(const std::string& a, const std::string& b);

// The relative address under which a patch is requested ("patches/NAME").
std::string patchAddress(const std::string& fileName);
// Opens the file for a request "patches/NAME" or "patches/NAME.sig" when NAME
// is a published patch; `fd` (the caller closes it) and `size` are set.
bool openPublishedPatch(const ServerContext& context, const std::string& request, int& fd,
                        long long& size);

std::string replyNews(ServerContext& context);
std::string replyWhichServer(ServerContext& context);
