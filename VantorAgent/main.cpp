#include "Log.h"
#include "SharedSettings.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    SharedSettings::prepareAtLaunch();
    qCInfo(lcAgentLifecycle, "up, pid %d", int(::getpid()));
    return app.exec();
}
