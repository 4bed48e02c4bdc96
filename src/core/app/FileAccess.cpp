#include "core/app/FileAccess.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
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

} // namespace

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
        if (!mFile && errno != EEXIST) {
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
}

bool AtomicFileWriter::fail(int error) {
    mError = "cannot write " + mTemporary.string() + ": " + reasonOf(error);
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
