#include "frmKTX.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VantoRingtone"));
    QApplication::setOrganizationName(QStringLiteral("VRT"));

    frmKTX window;
    window.Start();
    return app.exec();
}
