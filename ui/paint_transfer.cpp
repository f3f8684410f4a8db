#include "ui/paint_transfer.h"

#include <QByteArray>

void SendPaintsOverTheConnection()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}
