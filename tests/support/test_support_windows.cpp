// Windows has no fork(). run_in_child runs the code in the test process
// instead, with standard output redirected to a file; the tests are linked
// with --wrap=exit, so a call of exit() inside that code (the library's
// refusals, or a test's own status report) unwinds back here as an
// exception and becomes the status. run_pointsieve starts the program with
// _spawnv, its standard output redirected the same way.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "test_support.hpp"

namespace testing_support {

namespace {

struct ExitRequest {
    int status;
};

bool capturing = false;

// Standard output goes to a fresh binary file while fn runs; returns what
// was written.
std::string with_stdout_in_file(const std::function<void()> &fn) {
    static int serial = 0;
    std::filesystem::create_directories(TEST_TMP_ROOT);
    const std::string path =
        std::string(TEST_TMP_ROOT) + "/stdout." + std::to_string(_getpid()) + "." + std::to_string(++serial);
    std::fflush(stdout);
    const int fd = _open(path.c_str(), _O_CREAT | _O_TRUNC | _O_RDWR | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    const int saved = _dup(1);
    _dup2(fd, 1);
    _close(fd);
    struct Restore {
        int saved;
        ~Restore() {
            std::fflush(stdout);
            _dup2(saved, 1);
            _close(saved);
        }
    };
    {
        Restore restore{saved};
        fn();
    }
    const Bytes out = read_file(path);
    std::remove(path.c_str());
    return std::string(out.begin(), out.end());
}

// One argument as the C runtime of the started program splits it again.
std::string quoted(const std::string &arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string q = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        q.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        q += c;
    }
    q.append(2 * backslashes, '\\');
    return q + "\"";
}

}  // namespace

RunResult run_in_child(const std::function<void()> &fn) {
    RunResult r{};
    r.out = with_stdout_in_file([&] {
        capturing = true;
        try {
            fn();
            r.status = 0;
        } catch (const ExitRequest &e) {
            r.status = e.status & 0xFF;
        }
        capturing = false;
    });
    return r;
}

RunResult run_pointsieve(const std::vector<std::string> &args, const std::string &cwd, const RunOptions &options) {
    // The tests that redirect output, limit memory, set the environment or
    // act during a run need POSIX processes and skip here.
    if (options.stdout_to != RunOptions::Stdout::Captured || options.address_space > 0 ||
        !options.environment.empty() || options.on_output)
        throw std::logic_error("run options other than the defaults need POSIX processes");
    const std::string exe = options.program.empty() ? POINTSIEVE_EXE : options.program;
    std::vector<std::string> words{quoted(exe)};
    for (const std::string &a : args) words.push_back(quoted(a));
    std::vector<const char *> argv;
    for (const std::string &w : words) argv.push_back(w.c_str());
    argv.push_back(nullptr);

    RunResult r{};
    r.out = lf_text(with_stdout_in_file([&] {
        const std::filesystem::path before = std::filesystem::current_path();
        if (_chdir(cwd.c_str()) != 0) throw std::runtime_error("cannot enter " + cwd);
        // Wine, with the machine busy, now and then fails a start that
        // succeeds at once when tried again; three tries before giving up.
        intptr_t status = -1;
        int error = 0;
        for (int attempt = 0; attempt < 3 && status == -1; ++attempt) {
            status = _spawnv(_P_WAIT, exe.c_str(), argv.data());
            error = errno;
        }
        std::filesystem::current_path(before);
        if (status == -1) throw std::runtime_error("cannot start " + exe + ": " + std::strerror(error));
        r.status = static_cast<int>(status);
    }));
    return r;
}

}  // namespace testing_support

// exit() as the tests see it: inside run_in_child it ends the code under
// test; anywhere else it ends the process.
extern "C" [[noreturn]] void __real_exit(int status);
extern "C" [[noreturn]] void __wrap_exit(int status) {
    if (testing_support::capturing) throw testing_support::ExitRequest{status};
    __real_exit(status);
}
