#include "ui/SysConfig.h"

#include "fileio/AtomicFile.h"
#include "fileio/RegularFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstring>
#include <mutex>

namespace {

constexpr char kHeaderText[] = "ZQ735 Config File";
constexpr int kMotorTypeOffset = 20;
constexpr int kStrayLightOffset = 21;

std::mutex& OverrideLock()
{
    static std::mutex lock;
    return lock;
}

QString& OverrideFolder()
{
    static QString folder;
    return folder;
}

std::uint8_t Checksum(const std::uint8_t* bytes)
{
    std::uint8_t sum = 0;
    for (int i = 0; i < kConfigFileSize - 1; ++i) {
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    }
    return sum;
}

QString MadeFolder(const QString& folder)
{
    QDir().mkpath(folder);
    return folder;
}

}  // namespace

void SetDataFolder(const QString& folder)
{
    std::lock_guard<std::mutex> guard(OverrideLock());
    OverrideFolder() = folder;
}

QString DataFolder()
{
    {
        std::lock_guard<std::mutex> guard(OverrideLock());
        if (!OverrideFolder().isEmpty()) {
            return OverrideFolder();
        }
    }
    const QString fromEnvironment = qEnvironmentVariable("ZQ735_DATA_DIR");
    if (!fromEnvironment.isEmpty()) {
        return MadeFolder(fromEnvironment);
    }
    if (QCoreApplication::instance() != nullptr) {
        const QString programFolder = QCoreApplication::applicationDirPath();
        if (!programFolder.isEmpty() && QFileInfo(programFolder).isWritable()) {
            return programFolder;
        }
    }
    // An installed program sits in a folder the operator cannot write to.
    return MadeFolder(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

QString DataFilePath(const QString& fileName)
{
    return QDir(DataFolder()).filePath(fileName);
}

std::array<std::uint8_t, kConfigFileSize> ConfigImage(const TSysSettings& settings)
{
    std::array<std::uint8_t, kConfigFileSize> image{};
    std::memcpy(image.data(), kHeaderText, sizeof(kHeaderText));  // text and its NUL
    image[kMotorTypeOffset] = settings.MotorType;
    image[kStrayLightOffset] = settings.StrayLightCorr;
    image[kConfigFileSize - 1] = Checksum(image.data());
    return image;
}

bool ReadConfig(const QString& fileName, TSysSettings& settings)
{
    const QString path = DataFilePath(fileName);
    if (!IsRegularFile(QFile::encodeName(path).toStdString())) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    std::array<std::uint8_t, kConfigFileSize> image{};
    qint64 got = 0;
    while (got < kConfigFileSize) {
        const qint64 n = file.read(reinterpret_cast<char*>(image.data()) + got, kConfigFileSize - got);
        if (n <= 0) {
            return false;
        }
        got += n;
    }
    if (Checksum(image.data()) != image[kConfigFileSize - 1]) {
        return false;
    }
    // Only the text up to its NUL counts; the two bytes after it are padding.
    const char* text = reinterpret_cast<const char*>(image.data());
    if (std::strncmp(text, kHeaderText, kConfigFileSize) != 0) {
        return false;
    }
    settings.MotorType = image[kMotorTypeOffset];
    settings.StrayLightCorr = image[kStrayLightOffset];
    return true;
}

bool WriteConfig(const QString& fileName, const TSysSettings& settings)
{
    const auto image = ConfigImage(settings);
    // Half a file would fail its checksum at the next start and lose both
    // settings; a failed write keeps the previous file instead.
    return WriteFileAtomic(QFile::encodeName(DataFilePath(fileName)).toStdString(), image) == 0;
}
