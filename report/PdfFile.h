#pragma once
// A PDF drawn in memory and written in one step. QPdfWriter on a file writes
// as it goes and does not notice a full disk: the file before is gone, half
// a document is left, and the painter ends as if all went well. Drawing into
// memory first and replacing the file with the whole document (fileio/)
// leaves either the new PDF or the old one, and says when it failed.

#include <QBuffer>
#include <QByteArray>
#include <QPdfWriter>
#include <QString>
#include <memory>

class TPdfFile {
public:
    TPdfFile();
    TPdfFile(const TPdfFile&) = delete;
    TPdfFile& operator=(const TPdfFile&) = delete;

    // The device to draw on; set its page layout and resolution first.
    QPdfWriter& Writer() { return *FWriter; }
    // After the painter has ended: writes the document to `path` (a link is
    // followed). 0, or the errno of the write; then the file at `path` is as
    // it was.
    int Save(const QString& path);

private:
    QByteArray FBytes;
    QBuffer FBuffer{&FBytes};
    std::unique_ptr<QPdfWriter> FWriter;
};

// The reason a PDF could not be written, as the program says it: the
// errno's text after "无法写入文件".
QString PdfWriteError(int err);
