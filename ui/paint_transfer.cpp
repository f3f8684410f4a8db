#include "ui/paint_transfer.h"

#include <QByteArray>

void SendPaintsOverTheConnection()
{
    qputenv("QT_XCB_NO_MITSHM", "1");
}
