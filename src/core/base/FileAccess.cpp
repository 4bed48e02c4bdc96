#include "core/base/FileAccess.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <system_error>

namespace loopcraft {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkHops = 40;
constexpr int kTemporaryNameAttempts = 100;

std::string reasonOf(int error) {
    return error != 0 ? std::generic_category().message(error) : "unknown error";
}

std::string kindOf(fs::file_type type) {
    switch (type) {
    case fs::file_type::directory:
        return std::make_error_code(std::errc::is_a_directory).message();
    case fs::file_type::fifo:
        return "it is a FIFO, not a regular file";
    case fs::file_type::block:
    case fs::file_type::character:
        return "it is a device, not a regular file";
    case fs::file_type::socket:
        return "it is a socket, not a regular file";
    default:
        return "it is not a regular file";
    }
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string randomSuffix() {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    std::array<char, 24> text{};
    std::snprintf(text.data(), text.size(), "%016llx",
                  static_cast<unsigned long long>(generator()));
    return text.data();
}

// Writes all of `content` and closes the file; the errno of the first failure, or 0.
int writeAndClose(std::FILE* file, std::string_view content) {
    int failure = 0;
    errno = 0;
    if (!content.empty() && std::fwrite(content.data(), 1, content.size(), file) != content.size())
        failure = errno != 0 ? errno : EIO;
    errno = 0;
    if (std::fflush(file) != 0 && failure == 0)
        failure = errno != 0 ? errno : EIO;
    errno = 0;
    if (std::fclose(file) != 0 && failure == 0)
        failure = errno != 0 ? errno : EIO;
    return failure;
}

// Temporary files in the making, so that a termination signal removes them before the program
// ends: a run killed half-way through a large CSV must not leave tens of megabytes behind. The
// handler only reads these slots and unlinks, which is safe inside a signal handler.
constexpr std::size_t kPendingSlots = 32;
constexpr std::size_t kPendingPathBytes = 4096;
enum PendingState : int { kFree, kClaimed, kReady };
struct PendingSlot {
    std::atomic<int> state{kFree};
    std::array<char, kPendingPathBytes> path{};
};
std::array<PendingSlot, kPendingSlots> gPending;
constexpr std::array<int, 3> kTerminationSignals = {SIGTERM, SIGINT, SIGHUP};

extern "C" void removePendingAndDie(int signalNumber) {
    for (PendingSlot& slot : gPending) {
        if (slot.state.load() == kReady) {
            std::remove(slot.path.data());
        }
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// Installed with the first temporary file, and only where the program has not chosen its own
// reaction to the signal (the desktop program closes its window on SIGTERM; a shell may have
// ignored SIGHUP): those keep theirs, and the writer's destructor cleans up on their way out.
void installTerminationCleanup() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signalNumber : kTerminationSignals) {
            const auto previous = std::signal(signalNumber, removePendingAndDie);
            if (previous != SIG_DFL && previous != SIG_ERR) {
                std::signal(signalNumber, previous);
            }
        }
    });
}

// The slot that now holds `path`, or -1 when the path is too long or all slots are taken (the
// file is then only removed by the writer itself).
int registerPending(const fs::path& path) {
    installTerminationCleanup();
    const std::string& text = path.native();
    if (text.size() >= kPendingPathBytes) {
        return -1;
    }
    for (std::size_t i = 0; i < kPendingSlots; ++i) {
        int expected = kFree;
        if (gPending[i].state.compare_exchange_strong(expected, kClaimed)) {
            std::memcpy(gPending[i].path.data(), text.c_str(), text.size() + 1);
            gPending[i].state.store(kReady);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void releasePending(int slot) {
    if (slot >= 0) {
        gPending[static_cast<std::size_t>(slot)].state.store(kFree);
    }
}

} // namespace

std::string OutputTargetProblem(const fs::path& file) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (status.type() == fs::file_type::not_found) {
        // A new file: its folder must be there for the temporary file to be made in it.
        const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
        const fs::file_status where = fs::status(folder, ec);
        if (where.type() == fs::file_type::not_found) {
            return std::make_error_code(std::errc::no_such_file_or_directory).message();
        }
        if (ec) {
            return ec.message();
        }
        if (where.type() != fs::file_type::directory) {
            return std::make_error_code(std::errc::not_a_directory).message();
        }
        return {};
    }
    if (ec) {
        return ec.message();
    }
    // Checked before anything is opened: opening a FIFO for writing waits for a reader.
    if (status.type() != fs::file_type::regular) {
        return kindOf(status.type());
    }
    // Opening for update changes nothing, but asks the system the question a replacement must
    // not skip: the folder may let us rename over a file that its owner made read-only.
    errno = 0;
    if (const FilePtr probe(std::fopen(file.c_str(), "r+b")); !probe) {
        return reasonOf(errno);
    }
    return {};
}

FileRead ReadRegularFile(const fs::path& file, std::uintmax_t maxBytes) {
    FileRead result;
    const auto failed = [&](const std::string& reason) {
        result.status = FileRead::Status::Failed;
        result.error = file.string() + " cannot be read: " + reason;
        return result;
    };
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (status.type() == fs::file_type::not_found) {
        result.status = FileRead::Status::Missing;
        return result;
    }
    if (ec)
        return failed(ec.message());
    // Checked before opening: opening a FIFO for reading waits for a writer.
    if (status.type() != fs::file_type::regular)
        return failed(kindOf(status.type()));

    errno = 0;
    const FilePtr in(std::fopen(file.c_str(), "rb"));
    if (!in)
        return failed(reasonOf(errno));
    std::array<char, 65536> chunk{};
    while (true) {
        const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), in.get());
        if (result.bytes.size() + n > maxBytes)
            return failed("it is larger than " + std::to_string(maxBytes) + " bytes");
        result.bytes.append(chunk.data(), n);
        if (n < chunk.size()) {
            if (std::ferror(in.get()))
                return failed(reasonOf(errno != 0 ? errno : EIO));
            break;
        }
    }
    result.status = FileRead::Status::Ok;
    return result;
}

fs::path ResolveLinks(const fs::path& file, std::string* error) {
    fs::path current = file;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(current, ec);
        if (!fs::is_symlink(status))
            return current;
        const fs::path target = fs::read_symlink(current, ec);
        if (ec) {
            if (error)
                *error = ec.message();
            return {};
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    if (error)
        *error = std::make_error_code(std::errc::too_many_symbolic_link_levels).message();
    return {};
}

AtomicFileWriter::AtomicFileWriter(const fs::path& file) {
    std::string why;
    mTarget = ResolveLinks(file, &why);
    if (mTarget.empty()) {
        mError = "cannot replace " + file.string() + ": " + why;
        return;
    }
    if (const std::string problem = OutputTargetProblem(mTarget); !problem.empty()) {
        mError = "cannot write " + file.string() + ": " + problem;
        return;
    }
    // Exclusive creation ("x") fails on any existing name, links included, so the write can
    // only ever land in a file made here.
    for (int attempt = 0; attempt < kTemporaryNameAttempts && !mFile; ++attempt) {
        mTemporary = mTarget;
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + string.
        mTemporary += ".";
        mTemporary += randomSuffix();
        mTemporary += ".tmp";
        errno = 0;
        mFile = std::fopen(mTemporary.c_str(), "wbx");
        if (mFile) {
            mPendingSlot = registerPending(mTemporary);
        } else if (errno != EEXIST) {
            mError =
                "cannot create a temporary file for " + mTarget.string() + ": " + reasonOf(errno);
            return;
        }
    }
    if (!mFile)
        mError = "cannot create a temporary file for " + mTarget.string() +
                 ": every name tried was taken";
}

AtomicFileWriter::~AtomicFileWriter() {
    discard();
}

void AtomicFileWriter::discard() {
    if (mFile) {
        std::fclose(mFile);
        mFile = nullptr;
    }
    if (!mCommitted && !mTemporary.empty()) {
        std::error_code ignored;
        fs::remove(mTemporary, ignored);
        mTemporary.clear();
    }
    releasePending(mPendingSlot);
    mPendingSlot = -1;
}

bool AtomicFileWriter::fail(int error) {
    // Named by the file the user asked for: the temporary name means nothing to them.
    mError = "cannot write " + mTarget.string() + ": " + reasonOf(error);
    discard();
    return false;
}

bool AtomicFileWriter::write(std::string_view bytes) {
    if (!mError.empty() || bytes.empty())
        return mError.empty();
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), mFile) != bytes.size())
        return fail(errno != 0 ? errno : EIO);
    return true;
}

bool AtomicFileWriter::commit() {
    if (!mError.empty())
        return false;
    std::FILE* const file = mFile;
    mFile = nullptr;
    if (const int failure = writeAndClose(file, {}); failure != 0)
        return fail(failure);
    // The new file keeps the permissions the user gave the old one.
    std::error_code ignored;
    const fs::file_status old = fs::status(mTarget, ignored);
    if (fs::is_regular_file(old))
        fs::permissions(mTemporary, old.permissions(), ignored);
    std::error_code ec;
    fs::rename(mTemporary, mTarget, ec);
    if (ec) {
        mError = "cannot replace " + mTarget.string() + ": " + ec.message();
        discard();
        return false;
    }
    mCommitted = true;
    releasePending(mPendingSlot);
    mPendingSlot = -1;
    return true;
}

bool ReplaceFileAtomic(const fs::path& file, std::string_view content, std::string* error) {
    AtomicFileWriter writer(file);
    if (writer.write(content) && writer.commit())
        return true;
    if (error)
        *error = writer.error();
    return false;
}

} // namespace loopcraft
