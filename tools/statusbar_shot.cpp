// Puts the agent's menu bar on screen (the real status bar, controller and sampling engine, on a
// throwaway settings suite), lets it sample for a few seconds and saves a picture of the bar's
// strip. Meant for a virtual display:
//
//   xvfb-run -s "-screen 0 1280x400x24" statusbar_shot [output.png] [--bundle VantorAgent.app]
//            [--dark] [--seconds 3] [--sensor-table tests/data/sensors/laptop.table]
//
// --sensor-table replays a recorded sensor table in place of this machine's sensors (the laptop
// table has a discharging battery's draw, a fan and package power), so the sensors meter and the
// processor temperature show live values even on a machine without sensors.

#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/StatusBar/LinuxStatusBar.h"
#include "Platform/StatusBar/LinuxStatusItem.h"
#include "Platform/StatusBar/StatusItemWindow.h"
#include "VantorAgent/MenuBar/StatusBarController.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tools/ToolBundles.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <memory>

int main(int argc, char* argv[])
{
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "statusbar-shot");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    QString output = QStringLiteral("statusbar.png");
    QString bundle;
    bool dark = false;
    int seconds = 3;
    QString sensorTable;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--bundle") && i + 1 < args.size())
            bundle = args[++i];
        else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = std::clamp(args[++i].toInt(), 1, 60);
        else if (args[i] == QLatin1String("--sensor-table") && i + 1 < args.size())
            sensorTable = QFileInfo(args[++i]).absoluteFilePath();
        else if (args[i] == QLatin1String("--dark"))
            dark = true;
        else
            output = args[i];
    }
    if (bundle.isEmpty())
        bundle = ToolBundles::findAgentBundle();
    if (bundle.isEmpty()) {
        QTextStream(stderr) << "statusbar_shot: no VantorAgent.app found; pass --bundle\n";
        return 1;
    }
    Bundle::setMainBundlePathForTesting(bundle);
    if (dark) {
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(0x26, 0x26, 0x28));
        palette.setColor(QPalette::WindowText, QColor(0xf0, 0xf0, 0xf0));
        QApplication::setPalette(palette);
    }
    SharedSettings::prepareAtLaunch();
    if (sensorTable.isEmpty()) {
        SharedSettings::store().setString(SharedSettings::Key::cpuReadout, QStringLiteral("usage"));
    } else {
        qputenv(SharedSettings::Env::sensorTable.toLocal8Bit().constData(), QFile::encodeName(sensorTable));
        SharedSettings::store().setString(SharedSettings::Key::cpuReadout, QStringLiteral("temperature"));
        SharedSettings::store().setString(SharedSettings::Key::sensorsReadout, QStringLiteral("power"));
    }

    LinuxStatusBar bar(PreferencesDomain::standard(), SharedSettings::Key::statusItemPreferredPositionPrefix);
    StatusBarController controller(std::make_unique<SystemMonitor>(), bar, PreferencesDomain::standard());

    int status = 1;
    QTimer::singleShot(seconds * 1000, &app, [&] {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QList<LinuxStatusItem*> items = bar.itemsLeftToRight();
        if (!screen || items.isEmpty()) {
            QTextStream(stderr) << "statusbar_shot: nothing on screen\n";
            app.quit();
            return;
        }
        const QRect left = items.first()->window()->geometry();
        const QRect right = items.last()->window()->geometry();
        const QRect strip(left.left(), left.top(), right.right() - left.left() + 1, left.height());
        const QPixmap picture = screen->grabWindow(0, strip.x(), strip.y(), strip.width(), strip.height());
        if (picture.save(output)) {
            QTextStream(stdout) << "wrote " << output << "\n";
            status = 0;
        } else {
            QTextStream(stderr) << "statusbar_shot: cannot write " << output << "\n";
        }
        app.quit();
    });
    app.exec();
    return status;
}
