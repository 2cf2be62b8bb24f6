/* Preloaded into the server by power_loss.sh: every fsync or fdatasync of a
 * file below $ZENTRIX_POWER_LOSS_DIR copies the file as it now stands to
 * FILE.synced. After the server is killed, the script puts each .synced copy
 * in place of its file, which is what a power loss would leave: only data
 * that was flushed to the disk. With ZENTRIX_POWER_LOSS_IGNORE_SYNC set the
 * flushes copy nothing, as if the server never asked for one. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int belowWatchedFolder(const char* path) {
    const char* folder = getenv("ZENTRIX_POWER_LOSS_DIR");
    if (!folder || !*folder) return 0;
    size_t length = strlen(folder);
    return strncmp(path, folder, length) == 0 && path[length] == '/';
}

/* Written beside and renamed into place, so a kill during the copy leaves
 * the previous flush's copy whole. */
static void copyWhole(int from, const char* to) {
    char partial[PATH_MAX + 16];
    snprintf(partial, sizeof partial, "%s.partial", to);
    int out = open(partial, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) return;
    char buffer[1 << 16];
    off_t at = 0;
    ssize_t got;
    while ((got = pread(from, buffer, sizeof buffer, at)) > 0) {
        if (write(out, buffer, (size_t)got) != got) break;
        at += got;
    }
    close(out);
    rename(partial, to);
}

static void keepFlushedState(int fd) {
    if (getenv("ZENTRIX_POWER_LOSS_IGNORE_SYNC")) return;
    char link[64], path[PATH_MAX], copy[PATH_MAX + 8];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t length = readlink(link, path, sizeof path - 1);
    if (length <= 0) return;
    path[length] = '\0';
    if (!belowWatchedFolder(path)) return;
    snprintf(copy, sizeof copy, "%s.synced", path);
    copyWhole(fd, copy);
}

/* The real flush, named by `name`, then the copy of what it made durable. */
static int flushAndKeep(const char* name, int fd) {
    int (*real)(int) = (int (*)(int))dlsym(RTLD_NEXT, name);
    int result = real(fd);
    if (result == 0) keepFlushedState(fd);
    return result;
}

int fsync(int fd) {
    return flushAndKeep("fsync", fd);
}

int fdatasync(int fd) {
    return flushAndKeep("fdatasync", fd);
}
