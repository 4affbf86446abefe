// The one way the program writes an output file: problem files, tables, meshes and every
// export. A write either replaces the file whole or leaves it exactly as it was.
//
// The name given is followed through symbolic links to the file they lead to, and that
// file is written; the links stay. A link whose target does not exist yet creates that
// target, as a shell redirection would. Only a regular file or a new name in an existing
// folder is written: a folder, a named pipe, a device or a socket is refused, and so is
// an existing file or a folder this user may not write. The new contents go to a
// temporary file beside the target, are flushed to the disk, take the old file's
// permissions and then replace it by a rename; on any failure the temporary is removed
// and the old file is untouched.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace kova {

enum class FileWriteStatus {
    Written,
    IsDirectory,        // the name is a folder
    NotRegularFile,     // a named pipe, a device, a socket, or links that go round
    NotWritable,        // an existing file this user may not write
    NoFolder,           // the folder does not exist, or the name names no file
    FolderNotWritable,  // the folder does not let this user create the temporary file
    OutOfSpace,         // the disk, the quota or the file-size limit ran out
    WriteFailed,        // any other failure while writing, flushing or replacing
};

struct FileWriteResult {
    FileWriteStatus status = FileWriteStatus::Written;
    int error = 0;       // the system's error number behind the status, 0 when none
    std::string reason;  // one line without the file's name: "it is a named pipe"

    bool Ok() const { return status == FileWriteStatus::Written; }
};

// Whether WriteFileSafely would accept `path`, without creating or changing anything.
// Commands call it before long work, so that a result is never computed for nowhere.
FileWriteResult CheckWritableFile(const std::filesystem::path& path);

// Replaces the contents of `path` (or creates it) with `bytes`, as described above. A
// process that may run under a file-size limit ignores SIGXFSZ, so that crossing the
// limit is reported here as OutOfSpace instead of ending the process.
FileWriteResult WriteFileSafely(const std::filesystem::path& path,
                                std::span<const std::uint8_t> bytes);
FileWriteResult WriteFileSafely(const std::filesystem::path& path, std::string_view text);

}  // namespace kova
