// Puts the agent's top bar on screen (the real status bar, controller and sampling engine, on a
// throwaway settings suite), clicks one meter the way a pointer would and, once its panel is up,
// saves a picture of the screen's top right. Then clicks beside the panel and reports whether it
// closed. Meant for a virtual display:
//
//   xvfb-run -s "-screen 0 1280x900x24" popover_shot [output.png] [--section cpu] [--seconds 3]

#include "Platform/Bundles/Bundle.h"
#include "Platform/Popover/MouseMonitors.h"
#include "Platform/Popover/PopoverWindow.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/StatusBar/LinuxStatusBar.h"
#include "Platform/StatusBar/LinuxStatusItem.h"
#include "Platform/StatusBar/StatusBarButton.h"
#include "VantorAgent/MenuBar/StatusBarController.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tools/ToolBundles.h"

#include <QApplication>
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
    qputenv("VANTOR_SETTINGS_SUITE", "popover-shot");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    QString output = QStringLiteral("popover.png");
    QString bundle;
    MonitorSection section = MonitorSection::cpu;
    int seconds = 3;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--bundle") && i + 1 < args.size())
            bundle = args[++i];
        else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = std::clamp(args[++i].toInt(), 1, 60);
        else if (args[i] == QLatin1String("--section") && i + 1 < args.size())
            section = monitorSection(args[++i]).value_or(MonitorSection::cpu);
        else
            output = args[i];
    }
    if (bundle.isEmpty())
        bundle = ToolBundles::findAgentBundle();
    if (bundle.isEmpty()) {
        QTextStream(stderr) << "popover_shot: no VantorAgent.app found; pass --bundle\n";
        return 1;
    }
    Bundle::setMainBundlePathForTesting(bundle);
    SharedSettings::prepareAtLaunch();

    LinuxStatusBar bar(PreferencesDomain::standard(), SharedSettings::Key::statusItemPreferredPositionPrefix);
    StatusBarController controller(std::make_unique<SystemMonitor>(), bar, PreferencesDomain::standard());

    int status = 1;
    QTimer::singleShot(1000, &app, [&] {
        StatusItem* item = controller.statusItem(section);
        if (!item || !item->button()) {
            QTextStream(stderr) << "popover_shot: no item for the section\n";
            app.quit();
            return;
        }
        item->button()->performClick();
    });
    QTimer::singleShot(seconds * 1000, &app, [&] {
        PopoverWindow* popover = controller.popover(section);
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen || !popover->isShown()) {
            QTextStream(stderr) << "popover_shot: the popover is not shown\n";
            app.quit();
            return;
        }
        const QRect frame = popover->frame();
        QTextStream(stdout) << "popover at " << frame.x() << "," << frame.y() << " size " << frame.width() << "x"
                            << frame.height() << " budget " << controller.availableHeight(section) << "\n";
        const QRect area
            = QRect(frame.left() - 120, 0, frame.width() + 240, frame.bottom() + 20).intersected(screen->geometry());
        if (screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(output))
            status = 0;
        // A click somewhere else on the desktop closes it.
        controller.mouseMonitors().setPointerPosition([frame] { return frame.bottomLeft() + QPoint(-50, 50); });
        controller.mouseMonitors().applicationDeactivated();
        QTextStream(stdout) << (popover->isShown() ? "still open after an outside click\n"
                                                   : "closed by an outside click\n");
        app.quit();
    });
    app.exec();
    return status;
}
