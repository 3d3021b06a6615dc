#pragma once

#include "exceptions.h"

#include <optional>
#include <string>
#include <string_view>

// A file written whole or not at all. The bytes go into a new file beside the target (same
// folder, so on the same file system), are flushed to the disk, and the new file is renamed over
// the target only when every write succeeded; a reader sees the old file or the new one, never a
// part. On any failure the new file is removed and the target is as it was. A target that is a
// symbolic link is written through the link, and an existing file keeps its permissions.
//
// A folder that refuses new files (no write permission) still lets the user write over a file
// of his own in it: then the new bytes are gathered in memory, the room they need is reserved on
// the disk and checked against the file size limit before the first byte is written over the
// old ones, and should a write still fail, the old bytes are put back. Either way the file holds
// the new contents whole or the old ones exactly.
class AtomicFile
{
public:
    // Creates the new file; throws EInOutError with the runtime's messages.
    explicit AtomicFile(const std::string &fileName);
    // Without Commit, the new file is removed and the target stays untouched.
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Appends bytes; a failure (a full disk, a file size limit) throws EInOutError and leaves
    // nothing behind. Throws std::bad_alloc when the bytes written in place do not fit in memory.
    void Write(std::string_view bytes);
    // Flushes, closes and puts the file in place of the target; throws EInOutError on failure.
    void Commit();

private:
    [[noreturn]] void fail(int error);
    void discard() noexcept;
    void commitInPlace();

    std::string m_target;
    std::string m_temporary; // empty when writing in place
    std::string m_pending; // the new contents when writing in place
    int m_fd = -1;
    bool m_done = false; // committed, or discarded after a failure
};

// The whole new contents of a file in one call; throws EInOutError.
void WriteFileAtomically(const std::string &fileName, std::string_view bytes);

// The same without the file error: nothing on success, else the EInOutError. For callers that
// raise an error of their own (the picture export). Running out of memory still throws.
std::optional<EInOutError> TryWriteFileAtomically(
    const std::string &fileName, std::string_view bytes);
