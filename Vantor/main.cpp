#include "AppLanguage.h"
#include "Log.h"
#include "SharedSettings.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    AppLanguage::adoptChoiceAtLaunch();
    SharedSettings::prepareAtLaunch();
    qCInfo(lcAppLinks, "settings app up, pid %d", int(::getpid()));
    return app.exec();
}
