#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <numeric>
#include <vector>

#include "ui/SysConfig.h"

namespace {

class SysConfigFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        SetDataFolder(Dir.path());
    }
    void TearDown() override { SetDataFolder(QString()); }

    QString PathOf(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }

    void WriteBytes(const std::vector<std::uint8_t>& bytes)
    {
        QFile file(PathOf(kConfigFileName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }

    std::vector<std::uint8_t> ReadBytes()
    {
        QFile file(PathOf(kConfigFileName));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray all = file.readAll();
        return {all.begin(), all.end()};
    }

    static std::vector<std::uint8_t> ValidImage(std::uint8_t motor, std::uint8_t stray)
    {
        const auto image = ConfigImage(TSysSettings{motor, stray, 0});
        return {image.begin(), image.end()};
    }

    static void FixChecksum(std::vector<std::uint8_t>& bytes)
    {
        bytes[511] = static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.begin() + 511, 0u));
    }

    QTemporaryDir Dir;
};

TEST_F(SysConfigFile, WriteProducesHeaderValuesZerosAndChecksum)
{
    ASSERT_TRUE(WriteConfig(QString::fromLatin1(kConfigFileName), TSysSettings{0, 1, 1}));
    const auto bytes = ReadBytes();
    ASSERT_EQ(bytes.size(), 512u);
    const std::string header = "ZQ735 Config File";
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 17), header);
    EXPECT_EQ(bytes[17], 0);
    EXPECT_EQ(bytes[18], 0);
    EXPECT_EQ(bytes[19], 0);
    EXPECT_EQ(bytes[20], 0x00);
    EXPECT_EQ(bytes[21], 0x01);
    for (int i = 22; i < 511; ++i) {
        ASSERT_EQ(bytes[i], 0) << "offset " << i;  // the debug switch is never stored
    }
    unsigned sum = 1;
    for (char c : header) {
        sum += static_cast<unsigned char>(c);
    }
    EXPECT_EQ(bytes[511], sum % 256);
}

TEST_F(SysConfigFile, ReadTakesStoredValuesAndKeepsTheCallersDebugSwitch)
{
    ASSERT_TRUE(WriteConfig(QString::fromLatin1(kConfigFileName), TSysSettings{0, 0, 1}));
    TSysSettings s{1, 1, 1};
    ASSERT_TRUE(ReadConfig(QString::fromLatin1(kConfigFileName), s));
    EXPECT_EQ(s.MotorType, 0);
    EXPECT_EQ(s.StrayLightCorr, 0);
    EXPECT_EQ(s.DebugMode, 1);

    TSysSettings fresh;  // what the main window presets at start
    ASSERT_TRUE(ReadConfig(QString::fromLatin1(kConfigFileName), fresh));
    EXPECT_EQ(fresh.DebugMode, 0);
}

TEST_F(SysConfigFile, DamagedFilesAreRejectedAndLeaveSettingsUntouched)
{
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"511 bytes", [](auto& b) { b.pop_back(); }},
        {"empty", [](auto& b) { b.clear(); }},
        {"a byte changed, checksum not updated", [](auto& b) { b[21] = 0; }},
        {"checksum off by one", [](auto& b) { b[511] = static_cast<std::uint8_t>(b[511] + 1); }},
        {"other header text, valid checksum",
         [](auto& b) {
             b[0] = 'X';
             FixChecksum(b);
         }},
        {"header without its NUL, valid checksum",
         [](auto& b) {
             b[17] = 's';
             FixChecksum(b);
         }},
    };
    for (const Case& c : cases) {
        auto bytes = ValidImage(0, 1);
        c.damage(bytes);
        WriteBytes(bytes);
        TSysSettings s{7, 8, 9};
        EXPECT_FALSE(ReadConfig(QString::fromLatin1(kConfigFileName), s)) << c.what;
        EXPECT_EQ(s.MotorType, 7) << c.what;
        EXPECT_EQ(s.StrayLightCorr, 8) << c.what;
        EXPECT_EQ(s.DebugMode, 9) << c.what;
    }
    QFile::remove(PathOf(kConfigFileName));
    TSysSettings s;
    EXPECT_FALSE(ReadConfig(QString::fromLatin1(kConfigFileName), s)) << "missing file";
}

TEST_F(SysConfigFile, AcceptsLongerFilesPaddingBytesAndUncheckedValues)
{
    auto longer = ValidImage(0, 0);
    longer.insert(longer.end(), 100, 0xAB);
    WriteBytes(longer);
    TSysSettings s;
    ASSERT_TRUE(ReadConfig(QString::fromLatin1(kConfigFileName), s));
    EXPECT_EQ(s.MotorType, 0);
    EXPECT_EQ(s.StrayLightCorr, 0);

    auto padded = ValidImage(1, 1);
    padded[18] = 0x55;
    padded[19] = 0xFF;
    FixChecksum(padded);
    WriteBytes(padded);
    ASSERT_TRUE(ReadConfig(QString::fromLatin1(kConfigFileName), s));
    EXPECT_EQ(s.MotorType, 1);

    auto odd = ValidImage(7, 200);
    WriteBytes(odd);
    ASSERT_TRUE(ReadConfig(QString::fromLatin1(kConfigFileName), s));
    EXPECT_EQ(s.MotorType, 7);
    EXPECT_EQ(s.StrayLightCorr, 200);
}

TEST_F(SysConfigFile, WriteFailsWhenTheFolderCannotTakeTheFile)
{
    SetDataFolder(Dir.filePath(QStringLiteral("missing/folder")));
    EXPECT_FALSE(WriteConfig(QString::fromLatin1(kConfigFileName), TSysSettings{}));
}

TEST_F(SysConfigFile, WriteReplacesALongerFile)
{
    auto longer = ValidImage(1, 1);
    longer.insert(longer.end(), 300, 0x11);
    WriteBytes(longer);
    ASSERT_TRUE(WriteConfig(QString::fromLatin1(kConfigFileName), TSysSettings{0, 0, 0}));
    EXPECT_EQ(ReadBytes().size(), 512u);
}

TEST(DataFolder, OverrideThenEnvironmentThenProgramFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SetDataFolder(dir.path());
    EXPECT_EQ(DataFolder(), dir.path());
    EXPECT_EQ(DataFilePath(QStringLiteral("BK100.dat")), dir.filePath(QStringLiteral("BK100.dat")));
    EXPECT_EQ(DataFilePath(QStringLiteral("/tmp/x.cfg")), QStringLiteral("/tmp/x.cfg"));
    SetDataFolder(QString());

    const QString fromEnvironment = dir.filePath(QStringLiteral("data"));
    qputenv("ZQ735_DATA_DIR", fromEnvironment.toLocal8Bit());
    EXPECT_EQ(DataFolder(), fromEnvironment);
    EXPECT_TRUE(QDir(fromEnvironment).exists());
    qunsetenv("ZQ735_DATA_DIR");

    // The test executable's folder (the build tree) is writable.
    EXPECT_EQ(DataFolder(), QCoreApplication::applicationDirPath());
}

}  // namespace
