// Building OUTDIR beside itself and swapping it in.
#include "outdir.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include "file_util.hpp"
#include "folder_moves.hpp"
#include "paths.hpp"
#include "process.hpp"

namespace pointsieve::qa {

namespace fs = std::filesystem;

namespace {

// A name beside target that nothing holds yet, made of target, a tag and
// six characters that vary with the time and each attempt. create returns
// 0 once it has made the name its own, EEXIST for a name taken, or another
// errno to give up.
template <class Create>
bool fresh_name(const std::string &target, const char *tag, std::string &name, Create create) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uint64_t seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) *
                         std::uint64_t{0x9E3779B97F4A7C15};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + tag;
        std::uint64_t v = seed + static_cast<std::uint64_t>(attempt) * std::uint64_t{0xC2B2AE3D27D4EB4F};
        for (int k = 0; k < 6; ++k, v /= 36) name += kChars[v % 36];
        const int outcome = create(name);
        if (outcome == 0) return true;
        if (outcome != EEXIST) return false;
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    }
    return false;
}

// Writes the marker; 0, or the errno of the failure.
int write_marker(const std::string &dir, const RunRecord &record) {
    korvane::FilePtr f = korvane::open_file((dir + "/" + kMarkerName).c_str(), "wb");
    if (!f) return errno != 0 ? errno : EIO;
    const std::string text = marker_text(record);
    bool ok = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size() && std::fflush(f.get()) == 0;
    const int error = errno;
    ok = std::fclose(f.release()) == 0 && ok;
    return ok ? 0 : (error != 0 ? error : (errno != 0 ? errno : EIO));
}

void strip_separators(std::string &name) {
    while (name.size() > 1 && is_separator(name.back())) name.pop_back();
}

// Why an existing folder cannot be replaced by a rename, or nullptr: a
// name ending in . or .., the root, the current folder or one holding it,
// a mount point.
const char *why_not_movable(const std::string &target) {
    const fs::path name = fs::path(target).filename();
    if (name == "." || name == "..") return "it is named by . or ..";
    std::error_code ec, here_ec;
    const fs::path real = fs::canonical(fs::path(target), ec);
    if (ec) return nullptr;  // the rename will say
    if (real == real.root_path() || !real.has_relative_path()) return "it is the root of the file system";
    const fs::path here = fs::canonical(fs::current_path(here_ec), here_ec);
    if (!here_ec) {
        auto r = real.begin(), h = here.begin();
        while (r != real.end() && h != here.end() && *r == *h) ++r, ++h;
        if (r == real.end()) return "it is the current folder or holds it";
    }
    if (is_mount_point(real.string())) return "it is a mount point";
    return nullptr;
}

}  // namespace

bool follow_outdir(const std::string &given, std::string &target) {
    target = given;
    strip_separators(target);
    for (int links = 0;; ++links) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(fs::path(target), ec))) return true;
        if (links == 40) {
            std::printf("\nOutput folder %s is a loop of links\n", korvane::printable_name(given).c_str());
            return false;
        }
        const fs::path to = fs::read_symlink(fs::path(target), ec);
        if (ec) {
            std::printf("\nCannot read the link %s: %s\n", korvane::printable_name(target).c_str(), ec.message().c_str());
            return false;
        }
        // A link's relative text is read from the folder that holds it.
        target = (to.is_absolute() ? to : fs::path(target).parent_path() / to).string();
        strip_separators(target);
    }
}

bool begin_outdir(const std::string &given, const RunRecord &record, OutDir &out) {
    if (!follow_outdir(given, out.target)) return false;
    const korvane::PrintableName shown_target = korvane::printable_name(out.target);
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(fs::path(out.target), ec);
    if (fs::exists(st)) {
        RunRecord earlier;
        if (!fs::is_directory(st)) {
            std::printf("\nOutput folder %s exists and is not a folder\n", shown_target.c_str());
            return false;
        }
        if (const char *why = why_not_movable(out.target)) {
            std::printf("\nOutput folder %s cannot be replaced by a rename: %s\n", shown_target.c_str(), why);
            return false;
        }
        if (!fs::is_empty(fs::path(out.target), ec) && read_marker(out.target, earlier) == Marker::None) {
            std::printf("\nOutput folder %s is not empty and holds no earlier run of Pointsieve-qa\n", shown_target.c_str());
            return false;
        }
    }
    int error = 0;
    const bool made = fresh_name(out.target, ".tmp.", out.temp, [&](const std::string &name) {
        std::error_code e;
        if (fs::create_directory(fs::path(name), e)) return 0;
        error = e ? e.value() : EEXIST;
        return error;
    });
    if (made) error = write_marker(out.temp, record);
    if (!made || error != 0) {
        if (made) abandon_outdir(out);
        std::printf("\nCannot create the output folder beside %s: %s\n", shown_target.c_str(),
                    std::strerror(error != 0 ? error : EIO));
        return false;
    }
    return true;
}

bool make_folders(const OutDir &out, const TileNames &files, std::size_t begin, std::size_t end) {
    std::set<std::string> folders;
    for (std::size_t k = begin; k < end; ++k) {
        const std::string f = name_at(files, k);
        const std::size_t slash = f.find_last_of('/');
        if (slash != std::string::npos) folders.insert(f.substr(0, slash));
    }
    for (const std::string &folder : folders) {
        std::error_code ec;
        fs::create_directories(fs::path(out.temp + "/" + folder), ec);
        if (ec) {
            std::printf("\nCannot create folder %s: %s\n", korvane::printable_name(out.temp + "/" + folder).c_str(),
                        ec.message().c_str());
            return false;
        }
    }
    return true;
}

bool finish_outdir(OutDir &out) {
    std::error_code ec;
    std::string old;
    const bool had = fs::exists(fs::symlink_status(fs::path(out.target), ec));
    if (had) {
        // In one step where the system can: the new run takes the target's
        // name and the earlier one the temporary name, so that the target
        // names a whole run at every moment.
        const int exchanged = exchange_names(out.temp, out.target);
        if (exchanged == 0) {
            old = out.temp;
            out.temp.clear();
            fs::remove_all(fs::path(old), ec);
            return true;
        }
        if (!exchange_unsupported(exchanged)) {
            std::printf("\nCannot swap %s in for %s: %s\n", korvane::printable_name(out.temp).c_str(),
                        korvane::printable_name(out.target).c_str(), std::strerror(exchanged));
            abandon_outdir(out);
            return false;
        }
        // Elsewhere in two: the earlier run is moved aside under a name
        // nothing holds, then the new one takes its place, then the earlier
        // one goes.
        const bool moved = fresh_name(out.target, ".old.", old, [&](const std::string &name) {
            std::error_code e;
            if (fs::exists(fs::symlink_status(fs::path(name), e))) return EEXIST;
            fs::rename(fs::path(out.target), fs::path(name), e);
            ec = e;
            return e ? (e.value() != 0 ? e.value() : EIO) : 0;
        });
        if (!moved) {
            std::printf("\nCannot move the earlier run %s aside: %s\n", korvane::printable_name(out.target).c_str(),
                        ec.message().c_str());
            abandon_outdir(out);
            return false;
        }
    }
    fs::rename(fs::path(out.temp), fs::path(out.target), ec);
    if (ec) {
        std::printf("\nCannot rename %s to %s: %s\n", korvane::printable_name(out.temp).c_str(),
                    korvane::printable_name(out.target).c_str(), ec.message().c_str());
        std::error_code back;
        if (had) fs::rename(fs::path(old), fs::path(out.target), back);
        abandon_outdir(out);
        return false;
    }
    out.temp.clear();
    if (had) fs::remove_all(fs::path(old), ec);
    return true;
}

void abandon_outdir(OutDir &out) {
    if (out.temp.empty()) return;
    std::error_code ec;
    fs::remove_all(fs::path(out.temp), ec);
    out.temp.clear();
}

}  // namespace pointsieve::qa
