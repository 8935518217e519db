// The main window's "打印" command (the page itself: report/, the window: TFormPrntSetting).

#include "ui/FormPrntSetting.h"
#include "ui/MainWindow.h"

void TForm1::OnPrint()
{
    // Reading with the cursor ends (and zooming with it): the report shows the plot at rest.
    SetCursorRead(false);
    FFormPrntSetting->SetSource(FGraph.get(), FModel.get(), &FScanDateTime);
    if (!FFormPrntSetting->isVisible()) {
        FFormPrntSetting->adjustSize();
        const QRect frame = FFormPrntSetting->frameGeometry();
        FFormPrntSetting->move(geometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
    FFormPrntSetting->show();
    FFormPrntSetting->raise();
    FFormPrntSetting->activateWindow();
}
