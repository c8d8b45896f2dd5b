// Running code, or a program of the project, in a child process with its
// standard output captured. The POSIX half is here; on Windows,
// test_support_windows.cpp provides run_in_child and run_pointsieve.
#include "test_support.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <stdexcept>

namespace testing_support {

RunResult update(const std::string &path) {
    return run_in_child([&] { update_header(path.c_str()); });
}

#ifndef _WIN32

namespace {

std::string drain(int fd, const std::string &marker = {}, const std::function<void()> &on_marker = {}) {
    std::string out;
    char buf[65536];
    bool acted = marker.empty();
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
            if (!acted && out.find(marker) != std::string::npos) {
                acted = true;
                on_marker();
            }
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    return out;
}

int decode_status(int raw) {
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) return 1000 + WTERMSIG(raw);
    return -1;
}

RunResult run_forked(const std::function<void()> &child, const std::string &marker = {},
                     const std::function<void()> &on_marker = {}) {
    std::fflush(stdout);
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        close(fds[1]);
        child();
        std::fflush(stdout);
        _exit(0);
    }
    close(fds[1]);
    RunResult r;
    r.out = drain(fds[0], marker, on_marker);
    close(fds[0]);
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    r.status = decode_status(raw);
    return r;
}

}  // namespace

RunResult run_in_child(const std::function<void()> &fn) { return run_forked(fn); }

RunResult run_pointsieve(const std::vector<std::string> &args, const std::string &cwd, const RunOptions &options) {
    RunResult r = run_forked([&] {
        if (chdir(cwd.c_str()) != 0) _exit(120);
        if (options.stdout_to == RunOptions::Stdout::Both) dup2(STDOUT_FILENO, STDERR_FILENO);
        if (options.stdout_to == RunOptions::Stdout::Full || options.stdout_to == RunOptions::Stdout::Closed) {
            dup2(STDOUT_FILENO, STDERR_FILENO);
            if (options.stdout_to == RunOptions::Stdout::Full) {
                const int full = open("/dev/full", O_WRONLY);
                if (full < 0 || dup2(full, STDOUT_FILENO) < 0) _exit(122);
                close(full);
            } else {
                close(STDOUT_FILENO);
            }
        }
        if (options.address_space > 0) {
            const struct rlimit limit = {options.address_space, options.address_space};
            if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(123);
        }
        if (options.open_files > 0) {
            // Only the standard streams count against the limit: whatever
            // descriptors the test runner handed down are closed.
            for (int fd = 3; fd < 1024; ++fd) close(fd);
            const struct rlimit limit = {options.open_files, options.open_files};
            if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(125);
        }
        if (options.file_size > 0) {
            const struct rlimit limit = {options.file_size, options.file_size};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(124);
        }
        for (const std::string &entry : options.environment) putenv(const_cast<char *>(entry.c_str()));
        std::vector<std::string> words = emulator_words();
        if (options.time_limit > 0) alarm(options.time_limit);
        words.push_back(options.program.empty() ? std::string(POINTSIEVE_EXE) : options.program);
        words.insert(words.end(), args.begin(), args.end());
        if (options.stdout_to == RunOptions::Stdout::Terminal) {
            // script runs the command, quoted for its shell, on a new
            // pseudo-terminal and passes on its exit status.
            std::string command;
            for (const std::string &w : words) {
                command += " '";
                for (const char c : w) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
                command += "'";
            }
            words = {"script", "-qec", command, "/dev/null"};
        }
        std::vector<char *> argv;
        for (std::string &w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(121);
    }, options.when_output_has, options.on_output);
    if (options.stdout_to == RunOptions::Stdout::Terminal)
        r.out = std::regex_replace(r.out, std::regex("\r\n"), "\n");
    return r;
}

namespace {

// The fault shim preloaded, with the entries that choose its faults.
std::vector<std::string> with_shim(std::vector<std::string> faults) {
    faults.push_back(std::string("LD_PRELOAD=") + FAILING_READS_LIB);
    // The shim is not instrumented; it may come before the runtime.
    faults.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
    return faults;
}

}  // namespace

std::vector<std::string> failing_reads_of(const std::string &path, std::uint64_t from) {
    return with_shim({"POINTSIEVE_FAIL_READS_OF=" + path, "POINTSIEVE_FAIL_READS_FROM=" + std::to_string(from)});
}

std::vector<std::string> shrinking_at_read(const std::string &path, int read, std::uint64_t size) {
    return with_shim({"POINTSIEVE_SHRINK_OF=" + path, "POINTSIEVE_SHRINK_AT_READ=" + std::to_string(read),
                      "POINTSIEVE_SHRINK_TO=" + std::to_string(size)});
}

std::vector<std::string> writes_failing_after(std::size_t bytes) {
    return with_shim({"POINTSIEVE_WRITE_BUDGET=" + std::to_string(bytes)});
}

std::vector<std::string> killed_at_rename() { return with_shim({"POINTSIEVE_KILL_AT_RENAME=1"}); }

std::vector<std::string> swapped_at_open(const std::string &name, const std::string &replacement, int open) {
    return with_shim({"POINTSIEVE_SWAP_NAME=" + name, "POINTSIEVE_SWAP_WITH=" + replacement,
                      "POINTSIEVE_SWAP_AT=" + std::to_string(open)});
}

#endif

bool sanitized_build() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

std::vector<std::string> emulator_words() {
    std::vector<std::string> words;
#ifdef POINTSIEVE_EMULATOR
    const std::string all = POINTSIEVE_EMULATOR;
    for (std::size_t at = 0; at <= all.size();) {
        const std::size_t tab = std::min(all.find('\t', at), all.size());
        if (tab > at) words.push_back(all.substr(at, tab - at));
        at = tab + 1;
    }
#endif
    return words;
}

}  // namespace testing_support
