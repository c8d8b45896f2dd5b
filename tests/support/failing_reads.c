/*
 * Stand-ins for faults, loaded with LD_PRELOAD into a program under test.
 *
 * A failing disk: reads through a stream of the file named by
 * POINTSIEVE_FAIL_READS_OF fail from byte POINTSIEVE_FAIL_READS_FROM on
 * (227, the end of a LAS header, when unset). A read that reaches that byte
 * gets the items before it, then the stream's descriptor is swapped for one
 * that cannot be read, so the stream's reads from the system fail and set
 * its error flag, as EIO would.
 *
 * A file that shrinks: just before the POINTSIEVE_SHRINK_AT_READ-th read
 * through a stream of the file named by POINTSIEVE_SHRINK_OF, the file is cut
 * to POINTSIEVE_SHRINK_TO bytes, as another process could do at that moment.
 *
 * A swapped name: just before the program's POINTSIEVE_SWAP_AT-th open of the
 * name POINTSIEVE_SWAP_NAME, the file POINTSIEVE_SWAP_WITH is renamed over
 * that name, as another user of a shared folder could do at that moment.
 *
 * With POINTSIEVE_KILL_AT_RENAME set, the program is killed (SIGKILL) when it
 * renames a file, as a power cut or an impatient user would at that moment.
 * POINTSIEVE_KILL_AT_RENAME_TO=NAME kills it only at a rename onto NAME, and
 * POINTSIEVE_KILL_AFTER_RENAME_TO=NAME just after one. Both count renameat2,
 * the exchange of two names, as a rename onto its second name; with
 * POINTSIEVE_RENAMEAT2_ERRNO=N, renameat2 fails with errno N, as on a file
 * system that refuses it (EINVAL) or a kernel without it (ENOSYS).
 *
 * A disk that fills: with POINTSIEVE_WRITE_BUDGET=N, the program's positioned
 * writes (pwrite) put N bytes in all, and fail with ENOSPC after that.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

/* Whether f reads the file named by the environment variable `variable`. */
static int is_file_of(FILE *f, const char *variable) {
    const char *path = getenv(variable);
    struct stat want, have;
    if (!path || stat(path, &want) != 0 || fstat(fileno(f), &have) != 0) return 0;
    return want.st_dev == have.st_dev && want.st_ino == have.st_ino;
}

static long long number_in(const char *variable, long long unset) {
    const char *v = getenv(variable);
    return v ? atoll(v) : unset;
}

static void make_unreadable(FILE *f) {
    const int unreadable = open("/dev/null", O_WRONLY);
    if (unreadable >= 0) {
        dup2(unreadable, fileno(f));
        close(unreadable);
    }
}

size_t fread(void *ptr, size_t size, size_t n, FILE *f) {
    static size_t (*real_fread)(void *, size_t, size_t, FILE *);
    static long long reads_of_shrinking = 0;
    if (!real_fread) *(void **)&real_fread = dlsym(RTLD_NEXT, "fread");
    if (is_file_of(f, "POINTSIEVE_SHRINK_OF") && ++reads_of_shrinking == number_in("POINTSIEVE_SHRINK_AT_READ", 0))
        if (ftruncate64(fileno(f), number_in("POINTSIEVE_SHRINK_TO", 0)) != 0) abort();
    if (size == 0 || n == 0 || !is_file_of(f, "POINTSIEVE_FAIL_READS_OF")) return real_fread(ptr, size, n, f);
    const long long from = number_in("POINTSIEVE_FAIL_READS_FROM", 227);
    const long long at = ftello64(f);
    size_t whole = 0; /* items that end before the failing byte */
    if (at < from) {
        const unsigned long long fit = (unsigned long long)(from - at) / size;
        whole = fit < n ? (size_t)fit : n;
    }
    const size_t got = whole ? real_fread(ptr, size, whole, f) : 0;
    if (got < whole || whole == n) return got;
    make_unreadable(f);
    return got + real_fread((char *)ptr + got * size, size, n - got, f);
}

/* How many of n bytes the budget lets through, or -1 when it is spent. */
static ssize_t within_budget(size_t n) {
    static long long budget = -2; /* -2: not read yet; -1: no budget */
    if (budget == -2) {
        const char *b = getenv("POINTSIEVE_WRITE_BUDGET");
        budget = b ? atoll(b) : -1;
    }
    if (budget < 0) return (ssize_t)n;
    if ((long long)n > budget) n = (size_t)budget;
    budget -= (long long)n;
    if (n == 0) errno = ENOSPC;
    return n == 0 ? -1 : (ssize_t)n;
}

ssize_t pwrite64(int fd, const void *buf, size_t n, off64_t at) {
    static ssize_t (*real_pwrite64)(int, const void *, size_t, off64_t);
    if (!real_pwrite64) *(void **)&real_pwrite64 = dlsym(RTLD_NEXT, "pwrite64");
    const ssize_t m = n == 0 ? 0 : within_budget(n);
    return m < 0 ? -1 : real_pwrite64(fd, buf, (size_t)m, at);
}

ssize_t pwrite(int fd, const void *buf, size_t n, off_t at) { return pwrite64(fd, buf, n, at); }

/* Whether the variable names to. */
static int names(const char *variable, const char *to) {
    const char *name = getenv(variable);
    return name && strcmp(name, to) == 0;
}

static void kill_before_rename(const char *to) {
    if (getenv("POINTSIEVE_KILL_AT_RENAME") || names("POINTSIEVE_KILL_AT_RENAME_TO", to)) raise(SIGKILL);
}

static int kill_after_rename(const char *to, int result) {
    if (names("POINTSIEVE_KILL_AFTER_RENAME_TO", to)) raise(SIGKILL);
    return result;
}

int rename(const char *from, const char *to) {
    static int (*real_rename)(const char *, const char *);
    if (!real_rename) *(void **)&real_rename = dlsym(RTLD_NEXT, "rename");
    kill_before_rename(to);
    return kill_after_rename(to, real_rename(from, to));
}

int renameat2(int from_dir, const char *from, int to_dir, const char *to, unsigned int flags) {
    static int (*real_renameat2)(int, const char *, int, const char *, unsigned int);
    if (!real_renameat2) *(void **)&real_renameat2 = dlsym(RTLD_NEXT, "renameat2");
    const long long refused = number_in("POINTSIEVE_RENAMEAT2_ERRNO", 0);
    if (refused != 0 || !real_renameat2) { /* refused: nothing renamed, nothing to kill at */
        errno = refused != 0 ? (int)refused : ENOSYS;
        return -1;
    }
    kill_before_rename(to);
    return kill_after_rename(to, real_renameat2(from_dir, from, to_dir, to, flags));
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
