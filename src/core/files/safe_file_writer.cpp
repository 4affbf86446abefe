#include "files/safe_file_writer.hpp"

// The writer needs what the standard library does not offer: exclusive creation with a
// mode, the user's effective write permission, fsync and the owner of a file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kova {
namespace {

namespace fs = std::filesystem;

// Links followed before a chain counts as a loop (the system's own limit).
constexpr int kMaxLinkHops = 40;
// Names tried for the temporary file before giving up.
constexpr int kTemporaryAttempts = 100;

// The file a write goes to, after the symbolic links.
struct Target {
    fs::path path;
    fs::path folder;
    bool exists = false;
    struct stat info {};
};

FileWriteResult Failure(FileWriteStatus status, int error, std::string reason) {
    return FileWriteResult{status, error, std::move(reason)};
}

std::string SystemMessage(int error) {
    return std::generic_category().message(error);
}

// A failure while writing: running out of room is told apart from the rest.
FileWriteResult WriteFailure(int error) {
    const bool full = error == ENOSPC || error == EDQUOT || error == EFBIG;
    return Failure(full ? FileWriteStatus::OutOfSpace : FileWriteStatus::WriteFailed, error,
                   SystemMessage(error));
}

std::string KindOfSpecialFile(mode_t mode) {
    if (S_ISFIFO(mode)) return "it is a named pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device";
    if (S_ISSOCK(mode)) return "it is a socket";
    return "it is not a regular file";
}

bool MayWrite(const fs::path& path, int mode) {
    return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

// Follows `path` through its symbolic links and checks that the file at the end may be
// written, or created in its folder.
FileWriteResult Resolve(const fs::path& path, Target& target) {
    fs::path current = path;
    for (int hop = 0;; ++hop) {
        if (::lstat(current.c_str(), &target.info) == 0) {
            if (!S_ISLNK(target.info.st_mode)) {
                target.exists = true;
                break;
            }
        } else if (errno == ENOENT) {
            break;  // a new name, or a link to one
        } else if (errno == EACCES) {
            return Failure(FileWriteStatus::FolderNotWritable, errno, "the folder cannot be read");
        } else {
            return Failure(FileWriteStatus::NoFolder, errno, SystemMessage(errno));
        }
        if (hop == kMaxLinkHops)
            return Failure(FileWriteStatus::NotRegularFile, ELOOP,
                           "its symbolic links go round in a loop");
        std::error_code ec;
        const fs::path link = fs::read_symlink(current, ec);
        if (ec) return Failure(FileWriteStatus::WriteFailed, ec.value(), ec.message());
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    target.path = current;
    target.folder = current.parent_path().empty() ? fs::path(".") : current.parent_path();

    if (target.exists) {
        if (S_ISDIR(target.info.st_mode))
            return Failure(FileWriteStatus::IsDirectory, EISDIR, "it is a folder");
        if (!S_ISREG(target.info.st_mode))
            return Failure(FileWriteStatus::NotRegularFile, 0,
                           KindOfSpecialFile(target.info.st_mode));
        if (!MayWrite(target.path, W_OK)) {
            const int error = errno;
            return Failure(FileWriteStatus::NotWritable, error,
                           error == EROFS ? "the disk is read-only" : "the file is read-only");
        }
    } else if (current.filename().empty()) {
        return Failure(FileWriteStatus::NoFolder, ENOENT, "no file name is given");
    }
    struct stat folder {};
    if (::stat(target.folder.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        return Failure(FileWriteStatus::NoFolder, ENOENT, "the folder does not exist");
    if (!MayWrite(target.folder, W_OK | X_OK)) {
        const int error = errno;
        return Failure(FileWriteStatus::FolderNotWritable, error,
                       error == EROFS ? "the disk is read-only" : "the folder is not writable");
    }
    return {};
}

// Creates a new temporary file beside the target, with the target's permissions (or the
// default ones of a new file) from the start, so that the contents of a private file
// are never readable by others on the way. Returns the descriptor or -1 with errno set.
int CreateTemporary(const Target& target, fs::path& temporary) {
    const mode_t mode = target.exists ? (target.info.st_mode & 0777) : 0666;
    const std::string name = "." + target.path.filename().string() + ".";
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        temporary = target.folder / (name + std::to_string(attempt) + ".tmp");
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// 0, or the error number of the write that failed.
int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    const std::uint8_t* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (written == 0) return EIO;
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    return 0;
}

// The old file's owner, group and permissions pass to the new one. The umask may have
// narrowed the permissions at creation. Only root may give a file away; another user
// keeps the file as their own, which is no reason to fail the write.
int KeepOwnerAndPermissions(int fd, const Target& target) {
    if (!target.exists) return 0;
    if (target.info.st_uid != ::geteuid() || target.info.st_gid != ::getegid()) {
        if (::fchown(fd, target.info.st_uid, target.info.st_gid) != 0) {
            // Not permitted: the new file belongs to this user.
        }
    }
    return ::fchmod(fd, target.info.st_mode & 0777) == 0 ? 0 : errno;
}

// Makes the rename itself durable; a failure here loses nothing that was written.
void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

FileWriteResult CheckWritableFile(const fs::path& path) {
    Target target;
    return Resolve(path, target);
}

FileWriteResult WriteFileSafely(const fs::path& path, std::span<const std::uint8_t> bytes) {
    Target target;
    if (FileWriteResult refused = Resolve(path, target); !refused.Ok()) return refused;

    fs::path temporary;
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM || error == EROFS)
            return Failure(FileWriteStatus::FolderNotWritable, error, "the folder is not writable");
        return WriteFailure(error);
    }
    int error = WriteAll(fd, bytes);
    if (error == 0) error = KeepOwnerAndPermissions(fd, target);
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return WriteFailure(error);
    }
    SyncFolder(target.folder);
    return {};
}

FileWriteResult WriteFileSafely(const fs::path& path, std::string_view text) {
    return WriteFileSafely(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace kova
