// Files around the atomic writer: saving through a symbolic link, the
// temporaries a killed writer leaves, the data folder's lock, and inputs that
// are no regular files.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fileio/AtomicFile.h"
#include "fileio/FolderLock.h"
#include "fileio/RegularFile.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class FileSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = fs::temp_directory_path() / ("zq735-filesafety-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }
    void TearDown() override { fs::remove_all(Dir); }

    std::vector<std::string> Entries(const fs::path& dir) const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // A process id that no longer runs: a child that has ended and been reaped.
    static pid_t DeadPid()
    {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        int st = 0;
        ::waitpid(child, &st, 0);
        return child;
    }

    fs::path Dir;
};

TEST_F(FileSafety, ASaveThroughASymbolicLinkReplacesItsTargetAndKeepsTheLink)
{
    fs::create_directories(Dir / "real");
    std::ofstream(Dir / "real" / "ps.ir") << "old";
    fs::create_symlink("real/ps.ir", Dir / "relative.ir");
    fs::create_symlink(Dir / "relative.ir", Dir / "chained.ir");
    fs::create_symlink(Dir / "real" / "new.ir", Dir / "dangling.ir");

    const std::string a = "through the chain";
    ASSERT_EQ(WriteFileAtomic((Dir / "chained.ir").string(), a.data(), a.size()), 0);
    EXPECT_TRUE(fs::is_symlink(Dir / "chained.ir"));
    EXPECT_TRUE(fs::is_symlink(Dir / "relative.ir"));
    EXPECT_EQ(ReadText(Dir / "real" / "ps.ir"), a);

    const std::string b = "a new target";
    ASSERT_EQ(WriteFileAtomic((Dir / "dangling.ir").string(), b.data(), b.size()), 0);
    EXPECT_TRUE(fs::is_symlink(Dir / "dangling.ir"));
    EXPECT_EQ(ReadText(Dir / "real" / "new.ir"), b);
    EXPECT_EQ(Entries(Dir / "real"), (std::vector<std::string>{"new.ir", "ps.ir"}));

    fs::create_symlink("loop.ir", Dir / "loop.ir");
    EXPECT_EQ(WriteFileAtomic((Dir / "loop.ir").string(), b.data(), b.size()), ELOOP);
}

TEST_F(FileSafety, OnlyTheTemporariesOfWritersThatNoLongerRunAreRemoved)
{
    const pid_t dead = DeadPid();
    const std::string deadOnes[] = {".ZQ735.rcv.tmp-" + std::to_string(dead) + "-0",
                                    ".BK100.dat.tmp-" + std::to_string(dead) + "-17"};
    const std::string kept[] = {
        ".ZQ735.rcv.tmp-" + std::to_string(::getpid()) + "-3",  // this process: a save in progress
        ".ZQ735.rcv.tmp-1-0",                                   // a live process
        "ps.ir",
        ".ps.ir.tmp-",
        ".ps.ir.tmp-" + std::to_string(dead),
        ".ps.ir.tmp-" + std::to_string(dead) + "-x",
        "ps.ir.tmp-" + std::to_string(dead) + "-0",
    };
    for (const auto& n : deadOnes)
        std::ofstream(Dir / n) << "half";
    for (const auto& n : kept)
        std::ofstream(Dir / n) << "keep";
    // A folder of that pattern is no temporary of ours.
    fs::create_directories(Dir / (".x.tmp-" + std::to_string(dead) + "-1"));

    std::vector<std::string> removed = RemoveStaleTemporaries(Dir.string());
    std::sort(removed.begin(), removed.end());
    std::vector<std::string> expected(std::begin(deadOnes), std::end(deadOnes));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(removed, expected);
    for (const auto& n : kept)
        EXPECT_TRUE(fs::exists(Dir / n)) << n;
    EXPECT_TRUE(fs::is_directory(Dir / (".x.tmp-" + std::to_string(dead) + "-1")));
}

TEST_F(FileSafety, TheFolderLockIsHeldByOneAndPassesOnWhenItsOwnerEnds)
{
    TFolderLock first;
    ASSERT_EQ(first.Acquire(Dir.string()), TFolderLock::TResult::Held);
    EXPECT_EQ(ReadText(Dir / kFolderLockName), std::to_string(::getpid()) + "\n");

    TFolderLock second;
    EXPECT_EQ(second.Acquire(Dir.string()), TFolderLock::TResult::Busy);
    EXPECT_EQ(second.Owner(), ::getpid());
    first.Release();
    EXPECT_FALSE(fs::exists(Dir / kFolderLockName));
    ASSERT_EQ(second.Acquire(Dir.string()), TFolderLock::TResult::Held);
    second.Release();

    // An owner that dies without releasing (a crash) leaves its file and id
    // behind, but no lock.
    int ready[2];
    int done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        TFolderLock mine;
        const char r = mine.Acquire(Dir.string()) == TFolderLock::TResult::Held ? 'y' : 'n';
        (void)!::write(ready[1], &r, 1);
        char c;
        (void)!::read(done[0], &c, 1);
        ::_exit(0);  // no destructor: the lock file stays as a crash leaves it
    }
    char r = 0;
    ASSERT_EQ(::read(ready[0], &r, 1), 1);
    ASSERT_EQ(r, 'y');
    TFolderLock third;
    EXPECT_EQ(third.Acquire(Dir.string()), TFolderLock::TResult::Busy);
    EXPECT_EQ(third.Owner(), child);
    (void)!::write(done[1], "x", 1);
    int st = 0;
    ::waitpid(child, &st, 0);
    EXPECT_EQ(ReadText(Dir / kFolderLockName), std::to_string(child) + "\n");
    EXPECT_EQ(third.Acquire(Dir.string()), TFolderLock::TResult::Held);
    EXPECT_EQ(ReadText(Dir / kFolderLockName), std::to_string(::getpid()) + "\n");
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        ::close(fd);
}

TEST_F(FileSafety, TheLockOfAFolderThatCannotBeWrittenFails)
{
    TFolderLock lock;
    EXPECT_EQ(lock.Acquire((Dir / "missing").string()), TFolderLock::TResult::Failed);
    EXPECT_EQ(lock.Error(), ENOENT);
}

TEST_F(FileSafety, OnlyRegularFilesAreReadAndNothingBlocks)
{
    const fs::path fifo = Dir / "pipe.ir";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(Dir / "big.ir") << std::string(100, 'x');
    std::ofstream(Dir / "ps.ir") << "spectrum";
    fs::create_symlink("ps.ir", Dir / "link.ir");

    struct Case {
        fs::path Path;
        int Errno;
        bool Regular;
    };
    const Case cases[] = {
        {fifo, EINVAL, false},         {Dir, EINVAL, false},
        {"/dev/zero", EINVAL, false},  {Dir / "missing", ENOENT, false},
        {Dir / "big.ir", EFBIG, true}, {Dir / "link.ir", 0, true},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes{1, 2, 3};
        EXPECT_EQ(ReadRegularFile(c.Path.string(), 99, bytes), c.Errno) << c.Path;
        EXPECT_EQ(IsRegularFile(c.Path.string()), c.Regular) << c.Path;
        if (c.Errno != 0)
            EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3})) << c.Path;
        else
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "spectrum");
    }
}

}  // namespace
