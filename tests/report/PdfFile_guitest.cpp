// A PDF is written whole or not at all: a full disk leaves the file that was
// there byte for byte and says why; a good write leaves one whole document
// and no temporary beside it.

#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>

#include "../support/FullDisk.h"
#include "../support/GuiApp.h"
#include "report/PdfFile.h"

namespace {

std::string ReadText(const QString& path)
{
    std::ifstream f(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// A page with enough on it to be larger than a few hundred bytes.
void DrawPage(TPdfFile& pdf)
{
    QPainter p(&pdf.Writer());
    for (int i = 0; i < 200; ++i)
        p.drawText(100, 100 + 40 * i, QStringLiteral("行 %1 line").arg(i));
    p.end();
}

TEST(PdfFile, AFullDiskLeavesThePreviousPdfAndAGoodWriteAWholeOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    const std::string previous = "%PDF-1.4 the previous report\n%%EOF\n";
    std::ofstream(path.toStdString(), std::ios::binary) << previous;

    TPdfFile full;
    DrawPage(full);
    int err = 0;
    {
        TFullDisk disk(200);
        ASSERT_TRUE(disk.Active());
        err = full.Save(path);
    }
    EXPECT_EQ(err, EFBIG);
    EXPECT_EQ(PdfWriteError(err), QStringLiteral("无法写入文件（磁盘已满）"));
    EXPECT_EQ(ReadText(path), previous);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("report.pdf")});

    TPdfFile good;
    DrawPage(good);
    ASSERT_EQ(good.Save(path), 0);
    const std::string written = ReadText(path);
    EXPECT_EQ(written.rfind("%PDF-", 0), 0u);
    EXPECT_NE(written.find("%%EOF", written.size() - 8), std::string::npos);
    EXPECT_GT(written.size(), 1000u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("report.pdf")});
}

}  // namespace
