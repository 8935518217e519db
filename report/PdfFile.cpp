#include "report/PdfFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>

#include "fileio/AtomicFile.h"

TPdfFile::TPdfFile()
{
    FBuffer.open(QIODevice::WriteOnly);
    FWriter = std::make_unique<QPdfWriter>(&FBuffer);
}

int TPdfFile::Save(const QString& path)
{
    if (FBytes.isEmpty())
        return EIO;
    return WriteFileAtomic(QFile::encodeName(path).toStdString(), FBytes.constData(),
                           static_cast<size_t>(FBytes.size()));
}

QString PdfWriteError(int err)
{
    const QString reason = err == ENOSPC || err == EFBIG ? QStringLiteral("磁盘已满")
                                                         : QString::fromLocal8Bit(std::strerror(err));
    return QStringLiteral("无法写入文件（%1）").arg(reason);
}
