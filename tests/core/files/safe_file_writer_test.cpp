// The one file writer: what it writes through, what it refuses, what it keeps, and that
// a failure leaves the old file byte for byte with no temporary beside it.
#include "files/safe_file_writer.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/files/unprivileged.hpp"

namespace kova {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 0777;
}

class SafeFileWriter : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("kova_writer_test_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        // Folders a test made read-only are opened again, so that they can be removed.
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(m_dir, ec))
            if (!e.is_symlink(ec) && e.is_directory(ec))
                fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }
    fs::path Path(const std::string& name) const { return m_dir / name; }
    void Put(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    // The names in the test folder, so that a temporary left behind shows.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_dir;
};

TEST_F(SafeFileWriter, ReplacesAFileAndCreatesANewOneWithTheUsualPermissions) {
    const mode_t oldMask = ::umask(022);
    const FileWriteResult created = WriteFileSafely(Path("new.txt"), "first\n");
    ::umask(oldMask);
    ASSERT_TRUE(created.Ok()) << created.reason;
    EXPECT_EQ(ReadAll(Path("new.txt")), "first\n");
    EXPECT_EQ(ModeOf(Path("new.txt")), 0644u);

    ASSERT_TRUE(WriteFileSafely(Path("new.txt"), "second, longer\n").Ok());
    EXPECT_EQ(ReadAll(Path("new.txt")), "second, longer\n");
    ASSERT_TRUE(WriteFileSafely(Path("new.txt"), "").Ok());
    EXPECT_EQ(ReadAll(Path("new.txt")), "");
    EXPECT_EQ(Names(), std::vector<std::string>{"new.txt"});
}

TEST_F(SafeFileWriter, KeepsTheModeOfAPrivateFile) {
    Put(Path("private.csv"), "old");
    fs::permissions(Path("private.csv"), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteFileSafely(Path("private.csv"), "new").Ok());
    EXPECT_EQ(ModeOf(Path("private.csv")), 0600u);
    EXPECT_EQ(ReadAll(Path("private.csv")), "new");

    // An executable bit the umask would drop survives as well.
    fs::permissions(Path("private.csv"), static_cast<fs::perms>(0775));
    ASSERT_TRUE(WriteFileSafely(Path("private.csv"), "again").Ok());
    EXPECT_EQ(ModeOf(Path("private.csv")), 0775u);
}

TEST_F(SafeFileWriter, WritesThroughSymbolicLinksToTheirTargets) {
    fs::create_directories(Path("data"));
    Put(Path("data/table.csv"), "old");
    fs::create_symlink("data/table.csv", Path("relative.csv"));
    fs::create_symlink(Path("relative.csv"), Path("chain.csv"));  // a link to a link

    ASSERT_TRUE(WriteFileSafely(Path("chain.csv"), "through the chain").Ok());
    EXPECT_TRUE(fs::is_symlink(Path("chain.csv")));
    EXPECT_TRUE(fs::is_symlink(Path("relative.csv")));
    EXPECT_EQ(fs::read_symlink(Path("relative.csv")), "data/table.csv");
    EXPECT_EQ(ReadAll(Path("data/table.csv")), "through the chain");
    // The temporary was made beside the target, and nothing is left of it.
    EXPECT_EQ(Names(), (std::vector<std::string>{"chain.csv", "data", "relative.csv"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("data")), fs::directory_iterator()), 1);

    // A dangling link is written to its target, which it then finds.
    fs::create_symlink("data/later.csv", Path("dangling.csv"));
    ASSERT_TRUE(CheckWritableFile(Path("dangling.csv")).Ok());
    ASSERT_TRUE(WriteFileSafely(Path("dangling.csv"), "made").Ok());
    EXPECT_TRUE(fs::is_symlink(Path("dangling.csv")));
    EXPECT_EQ(ReadAll(Path("data/later.csv")), "made");

    // A link into a folder that does not exist, and links that go round, are refused.
    fs::create_symlink("nowhere/x.csv", Path("lost.csv"));
    EXPECT_EQ(WriteFileSafely(Path("lost.csv"), "x").status, FileWriteStatus::NoFolder);
    fs::create_symlink("loop-b", Path("loop-a"));
    fs::create_symlink("loop-a", Path("loop-b"));
    EXPECT_EQ(WriteFileSafely(Path("loop-a"), "x").status, FileWriteStatus::NotRegularFile);
    EXPECT_TRUE(fs::is_symlink(Path("loop-a")));
}

TEST_F(SafeFileWriter, RefusesFoldersPipesDevicesAndMissingFolders) {
    fs::create_directories(Path("folder"));
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0644), 0);
    struct Case {
        fs::path path;
        FileWriteStatus status;
        std::string reason;
    };
    std::vector<Case> cases = {
        {Path("folder"), FileWriteStatus::IsDirectory, "it is a folder"},
        {Path("pipe"), FileWriteStatus::NotRegularFile, "it is a named pipe"},
        {Path("no/such/folder/x.csv"), FileWriteStatus::NoFolder, "the folder does not exist"},
        {Path("folder/"), FileWriteStatus::IsDirectory, "it is a folder"},
        {Path("missing/"), FileWriteStatus::NoFolder, "no file name is given"},
    };
    // A device node only where this process may make one; the null device swallows
    // whatever a faulty writer might send it.
    const bool device = ::mknod(Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    if (device) cases.push_back({Path("null"), FileWriteStatus::NotRegularFile, "it is a device"});
    for (const Case& c : cases) {
        const FileWriteResult checked = CheckWritableFile(c.path);
        EXPECT_EQ(checked.status, c.status) << c.path;
        EXPECT_EQ(checked.reason, c.reason) << c.path;
        const FileWriteResult written = WriteFileSafely(c.path, "data");
        EXPECT_EQ(written.status, c.status) << c.path;
    }
    struct stat info {};
    ASSERT_EQ(::lstat(Path("pipe").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    if (device) {
        ASSERT_EQ(::lstat(Path("null").c_str(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
    EXPECT_TRUE(fs::is_empty(Path("folder")));
    EXPECT_EQ(Names().size(), device ? 3u : 2u);
}

TEST_F(SafeFileWriter, RefusesAReadOnlyFileAndAReadOnlyFolder) {
    Put(Path("locked.csv"), "kept");
    fs::create_directories(Path("closed"));
    Put(Path("closed/inside.csv"), "inside");
    fs::permissions(Path("locked.csv"), static_cast<fs::perms>(0444));
    fs::permissions(Path("closed/inside.csv"), static_cast<fs::perms>(0644));
    fs::permissions(Path("closed"), static_cast<fs::perms>(0555));
    const fs::path locked = Path("locked.csv"), closed = Path("closed");
    const int failures = test::AsUnprivilegedUser(m_dir, [&] {
        int failed = 0;
        // The folder is writable, so a rename would replace the file: only the file's
        // own permission stops the write.
        failed += CheckWritableFile(locked).status != FileWriteStatus::NotWritable;
        failed += WriteFileSafely(locked, "new").status != FileWriteStatus::NotWritable;
        failed += ReadAll(locked) != "kept";
        // A writable file in a read-only folder cannot be replaced, nor a new one made.
        failed +=
            CheckWritableFile(closed / "inside.csv").status != FileWriteStatus::FolderNotWritable;
        failed += WriteFileSafely(closed / "inside.csv", "new").status !=
                  FileWriteStatus::FolderNotWritable;
        failed +=
            WriteFileSafely(closed / "new.csv", "new").status != FileWriteStatus::FolderNotWritable;
        failed += ReadAll(closed / "inside.csv") != "inside";
        failed += fs::exists(closed / "new.csv");
        return failed;
    });
    ASSERT_NE(failures, -1) << "could not run the check as an unprivileged user";
    EXPECT_EQ(failures, 0);
}

TEST_F(SafeFileWriter, ADiskThatRunsOutLeavesTheOldFileByteForByte) {
    std::string old(3000, '\0');
    for (std::size_t i = 0; i < old.size(); ++i) old[i] = static_cast<char>(i * 7);
    Put(Path("table.csv"), old);
    const std::string bigger(64 * 1024, 'x');

    // A file-size limit makes every write past 4 KiB fail as a full disk would.
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileWriteResult result = WriteFileSafely(Path("table.csv"), bigger);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result.status, FileWriteStatus::OutOfSpace);
    EXPECT_EQ(result.error, EFBIG);
    EXPECT_EQ(result.reason, "File too large");
    EXPECT_EQ(ReadAll(Path("table.csv")), old);
    EXPECT_EQ(Names(), std::vector<std::string>{"table.csv"});
}

}  // namespace
}  // namespace kova
