// Replacing a file in one step: the new bytes arrive whole, and a write that
// fails (a full disk, a missing folder, a folder that is a file) leaves the
// old file byte for byte as it was and no temporary file behind.

#include "fileio/AtomicFile.h"
#include "tests/support/FullDisk.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadBytes(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed)
{
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(seed + i * 7);
    return b;
}

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = fs::temp_directory_path() / ("zq735-atomic-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }
    void TearDown() override { fs::remove_all(Dir); }

    // Everything in the folder: a temporary left behind shows up here.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path Dir;
};

TEST_F(AtomicFile, WritesNewFilesAndReplacesOldOnesKeepingTheirPermissions)
{
    const fs::path target = Dir / "a.ir";
    const auto first = Pattern(5000, 1);
    ASSERT_EQ(WriteFileAtomic(target.string(), first.data(), first.size()), 0);
    EXPECT_EQ(ReadBytes(target), first);

    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    const auto shorter = Pattern(10, 9);
    ASSERT_EQ(WriteFileAtomic(target.string(), shorter), 0);
    EXPECT_EQ(ReadBytes(target), shorter);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    ASSERT_EQ(WriteFileAtomic(target.string(), nullptr, 0), 0);
    EXPECT_TRUE(ReadBytes(target).empty());
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.ir"});
}

TEST_F(AtomicFile, AFullDiskLeavesTheOldFileIntact)
{
    const fs::path target = Dir / "BK100.dat";
    const auto old = Pattern(3000, 3);
    ASSERT_EQ(WriteFileAtomic(target.string(), old), 0);
    const auto bigger = Pattern(20000, 5);
    int r = 0;
    {
        TFullDisk full(8192);
        ASSERT_TRUE(full.Active());
        r = WriteFileAtomic(target.string(), bigger);
    }
    EXPECT_EQ(r, EFBIG);
    EXPECT_EQ(ReadBytes(target), old);
    EXPECT_EQ(Entries(), std::vector<std::string>{"BK100.dat"});
}

TEST_F(AtomicFile, FailuresChangeNothing)
{
    fs::create_directories(Dir / "folder");
    std::ofstream(Dir / "file") << "x";
    const auto bytes = Pattern(100, 0);
    struct Case {
        fs::path Target;
        int Errno;
    };
    const Case cases[] = {
        {Dir / "missing" / "a.ir", ENOENT},
        {Dir / "folder", EISDIR},
        {Dir / "file" / "a.ir", ENOTDIR},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WriteFileAtomic(c.Target.string(), bytes), c.Errno) << c.Target;
    }
    EXPECT_EQ(ReadBytes(Dir / "file"), std::vector<uint8_t>{'x'});
    EXPECT_EQ(Entries(), (std::vector<std::string>{"file", "folder"}));
    EXPECT_TRUE(fs::is_empty(Dir / "folder"));
}

TEST_F(AtomicFile, AFolderWithoutWritePermissionIsRefused)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into any folder";
    const fs::path target = Dir / "ZQ735.cfg";
    const auto old = Pattern(512, 2);
    ASSERT_EQ(WriteFileAtomic(target.string(), old), 0);
    ASSERT_EQ(::chmod(Dir.c_str(), 0500), 0);
    EXPECT_EQ(WriteFileAtomic(target.string(), Pattern(512, 4)), EACCES);
    ::chmod(Dir.c_str(), 0700);
    EXPECT_EQ(ReadBytes(target), old);
    EXPECT_EQ(Entries(), std::vector<std::string>{"ZQ735.cfg"});
}

}  // namespace
