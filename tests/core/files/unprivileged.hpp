// Permission bits do not stop root, under whom the tests may run: checks that need them
// run in a child process as an unprivileged user who owns the files.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace kova::test {

// The account the checks run as when the tests run as root.
inline constexpr uid_t kNobody = 65534;

// Runs `check` (which returns its number of failed expectations) as this user, or when
// this is root, in a child as kNobody after giving `folder` and everything in it to
// that user. Returns the count, or -1 when the check could not run.
inline int AsUnprivilegedUser(const std::filesystem::path& folder,
                              const std::function<int()>& check) {
    if (::geteuid() != 0) return check();
    ::chmod(folder.c_str(), 0755);  // reachable for the other user
    if (::chown(folder.c_str(), kNobody, kNobody) != 0) return -1;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (::lchown(e.path().c_str(), kNobody, kNobody) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(255);
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

}  // namespace kova::test
