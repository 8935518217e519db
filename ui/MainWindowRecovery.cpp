// The main window's offer, at start, of a scan that a crash or a killed
// program cut short: its points were written through to the data folder
// while it ran (ApparaZQ735, ScanRecovery.h).

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>

#include "acquisition/ScanRecovery.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"

void TForm1::OfferScanRecovery()
{
    std::string setAside;
    const std::optional<TScanRecovery> found = FModel->PendingRecovery(&setAside);
    if (!setAside.empty())
        ShowInfo(this, QStringLiteral("扫描恢复文件已损坏，无法恢复；已改名保留为 %1。")
                           .arg(QFile::decodeName(QByteArray::fromStdString(setAside))));
    if (!found)
        return;
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                    QStringLiteral("发现未完成的扫描数据，是否恢复？"), QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("ScanRecovery"));
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() != QMessageBox::Yes) {
        FModel->DiscardRecovery();
        return;
    }
    // The file stays until the spectrum is saved: a second crash before that
    // must not lose it either.
    if (FModel->RestoreRecovery(*found) < 0)
        return;
    FRecoveryKept = true;
    const auto& d = found->Started;
    FScanDateTime = {d[0], d[1], d[2], d[3], d[4], d[5]};
}
