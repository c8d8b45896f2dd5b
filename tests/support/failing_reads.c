/*
 * Stand-ins for faults, loaded with LD_PRELOAD into a program under test.
 *
 * A failing disk: once the first 227 bytes (a LAS header) of the file named by
 * POINTSIEVE_FAIL_READS_OF have been read through a stream, the stream's
 * descriptor is swapped for one that cannot be read, so the stream's next
 * read from the system fails and sets its error flag, as EIO would.
 *
 * A swapped name: just before the program's POINTSIEVE_SWAP_AT-th open of the
 * name POINTSIEVE_SWAP_NAME, the file POINTSIEVE_SWAP_WITH is renamed over
 * that name, as another user of a shared folder could do at that moment.
 *
 * With POINTSIEVE_KILL_AT_RENAME set, the program is killed (SIGKILL) when it
 * renames a file, as a power cut or an impatient user would at that moment.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int is_target(FILE *f) {
    const char *path = getenv("POINTSIEVE_FAIL_READS_OF");
    struct stat want, have;
    if (!path || stat(path, &want) != 0 || fstat(fileno(f), &have) != 0) return 0;
    return want.st_dev == have.st_dev && want.st_ino == have.st_ino;
}

size_t fread(void *ptr, size_t size, size_t n, FILE *f) {
    static size_t (*real_fread)(void *, size_t, size_t, FILE *);
    if (!real_fread) *(void **)&real_fread = dlsym(RTLD_NEXT, "fread");
    if (ftello(f) >= 227 && is_target(f)) {
        const int unreadable = open("/dev/null", O_WRONLY);
        if (unreadable >= 0) {
            dup2(unreadable, fileno(f));
            close(unreadable);
        }
    }
    return real_fread(ptr, size, n, f);
}

int rename(const char *from, const char *to) {
    static int (*real_rename)(const char *, const char *);
    if (!real_rename) *(void **)&real_rename = dlsym(RTLD_NEXT, "rename");
    if (getenv("POINTSIEVE_KILL_AT_RENAME")) raise(SIGKILL);
    return real_rename(from, to);
}

static void swap_if_due(const char *name) {
    static int opens = 0;
    const char *target = getenv("POINTSIEVE_SWAP_NAME");
    const char *with = getenv("POINTSIEVE_SWAP_WITH");
    const char *at = getenv("POINTSIEVE_SWAP_AT");
    if (!target || !with || !at || strcmp(name, target) != 0) return;
    if (++opens == atoi(at)) rename(with, target);
}

static int open_with(const char *symbol, const char *name, int flags, va_list args) {
    int (*real_open)(const char *, int, ...);
    *(void **)&real_open = dlsym(RTLD_NEXT, symbol);
    const mode_t mode = (flags & O_CREAT) ? (mode_t)va_arg(args, int) : 0;
    swap_if_due(name);
    return real_open(name, flags, mode);
}

int open(const char *name, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = open_with("open", name, flags, args);
    va_end(args);
    return fd;
}

int open64(const char *name, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = open_with("open64", name, flags, args);
    va_end(args);
    return fd;
}

static FILE *fopen_with(const char *symbol, const char *name, const char *mode) {
    FILE *(*real_fopen)(const char *, const char *);
    *(void **)&real_fopen = dlsym(RTLD_NEXT, symbol);
    swap_if_due(name);
    return real_fopen(name, mode);
}

FILE *fopen(const char *name, const char *mode) { return fopen_with("fopen", name, mode); }
FILE *fopen64(const char *name, const char *mode) { return fopen_with("fopen64", name, mode); }
