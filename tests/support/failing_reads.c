/*
 * A stand-in for a failing disk, loaded with LD_PRELOAD into a program under
 * test. Once the first 227 bytes (a LAS header) of the file named by
 * POINTSIEVE_FAIL_READS_OF have been read through a stream, the stream's
 * descriptor is swapped for one that cannot be read, so the stream's next
 * read from the system fails and sets its error flag, as EIO would.
 *
 * With POINTSIEVE_KILL_AT_RENAME set, the program is killed (SIGKILL) when it
 * renames a file, as a power cut or an impatient user would at that moment.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
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
