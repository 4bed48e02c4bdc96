// Reading and replacing the program's own files without trusting what lies at their path.
//
// Only regular files are read: a FIFO would block the program forever and a device would never
// end. Every read is bounded, and every failure carries the system's reason, so a file that
// exists but cannot be read is never mistaken for a missing one (which would let the next save
// replace it with defaults). A file is replaced through a temporary file that is created
// exclusively beside it and renamed over it, so neither an interrupted write nor a link planted
// at the temporary name can destroy another file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace loopcraft {

struct FileRead {
    enum class Status { Ok, Missing, Failed };
    Status status = Status::Failed;
    std::string bytes; // the whole file when Ok
    std::string error; // when Failed: "<file> cannot be read: <reason>"
    bool ok() const { return status == Status::Ok; }
};

// Reads `file` (after following links) when it is a regular file of at most `maxBytes` bytes.
// A path that names nothing is Missing; anything else that stops the read is Failed.
FileRead ReadRegularFile(const std::filesystem::path& file, std::uintmax_t maxBytes);

// The file a chain of symbolic links ends at (at most 40 links; relative links count from the
// folder of the link). `file` itself when it is no link.
std::filesystem::path ResolveLinks(const std::filesystem::path& file, std::string* error = nullptr);

// Why `file` cannot be replaced by a file we write, or empty when it can (or does not exist):
// a FIFO, device, socket or folder ("it is a FIFO, not a regular file"), or a regular file the
// system does not let us write ("Permission denied"). Nothing is opened that could block.
std::string OutputTargetProblem(const std::filesystem::path& file);

// A replacement of `file` (or, when `file` is a symbolic link, of the file it points to, so the
// link stays) written piece by piece into a temporary file beside it, which takes the file's
// place only on commit. Until then, and after any failure, the old file keeps its content; an
// uncommitted writer leaves no temporary file behind, not even when SIGTERM, SIGINT or SIGHUP
// ends the program while it writes. A target that is no regular file, or that the system does not
// let us write, is refused at once (see OutputTargetProblem). After the first failure every call
// returns false and error() says why, with the system's reason.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::filesystem::path& file);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool write(std::string_view bytes);
    bool commit();
    bool ok() const { return mError.empty(); }
    const std::string& error() const { return mError; }

private:
    bool fail(int error);
    void discard();

    std::filesystem::path mTarget;
    std::filesystem::path mTemporary;
    std::FILE* mFile = nullptr;
    std::string mError;
    bool mCommitted = false;
    int mPendingSlot = -1; // where a termination signal finds the temporary file
};

// Replaces the file at `file` (or, when `file` is a symbolic link, the file it points to, so
// the link stays) with `content`, atomically. The old file keeps its content and the folder
// holds no temporary file when this fails; `error` then says why, with the system's reason.
bool ReplaceFileAtomic(const std::filesystem::path& file, std::string_view content,
                       std::string* error = nullptr);

} // namespace loopcraft
