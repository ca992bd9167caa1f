// Puts the agent's top bar on screen with the machines meter fed by a real Prometheus server
// (the four meters beside it, on a throwaway settings suite), clicks the machines meter and, once
// its panel is up, saves a picture of the screen's top right. With --detail it then opens the
// first machine's own panel and saves that too (as <output>-detail.png). For a virtual display:
//
//   tools/local-prometheus.sh start /tmp/prom   # prints the server's URL
//   xvfb-run -s "-screen 0 1280x900x24" machines_shot http://127.0.0.1:PORT machines.png --detail

#include "Platform/Bundles/Bundle.h"
#include "Platform/Popover/PopoverWindow.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/StatusBar/LinuxStatusBar.h"
#include "Platform/StatusBar/StatusBarButton.h"
#include "VantorAgent/Machines/MachineDetailView.h"
#include "VantorAgent/Machines/MachineRow.h"
#include "VantorAgent/Machines/MachinesFeature.h"
#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorAgent/Machines/MachinesPanel.h"
#include "VantorAgent/Machines/MachinesStatusItem.h"
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

namespace {

bool save(const QString& path, const QRect& popover)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    const QRect area = QRect(QPoint(popover.left() - 40, 0), QPoint(screen->geometry().right(), popover.bottom() + 10))
                           .intersected(screen->geometry());
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "machines-shot");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    QString url;
    QString output = QStringLiteral("machines.png");
    bool detail = false;
    int seconds = 4;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--detail"))
            detail = true;
        else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = std::clamp(args[++i].toInt(), 1, 60);
        else if (url.isEmpty())
            url = args[i];
        else
            output = args[i];
    }
    const QString bundle = ToolBundles::findAgentBundle();
    if (url.isEmpty() || bundle.isEmpty()) {
        QTextStream(stderr) << "usage: machines_shot <prometheus url> [output.png] [--detail] [--seconds N]\n";
        return 2;
    }
    Bundle::setMainBundlePathForTesting(bundle);
    SharedSettings::prepareAtLaunch();
    SharedSettings::store().setString(SharedSettings::Key::machinesServer, url);

    LinuxStatusBar bar(PreferencesDomain::standard(), SharedSettings::Key::statusItemPreferredPositionPrefix);
    StatusBarController controller(std::make_unique<SystemMonitor>(), bar, PreferencesDomain::standard());
    MachinesFeature machines(bar, PreferencesDomain::standard());
    machines.applySettings();

    int status = 1;
    QTimer::singleShot(seconds * 1000, &app, [&] {
        StatusItem* item = machines.statusItem().item();
        if (!item || !item->button()) {
            QTextStream(stderr) << "machines_shot: no machines item\n";
            app.quit();
            return;
        }
        item->button()->performClick();
    });
    QTimer::singleShot(seconds * 2000, &app, [&] {
        PopoverWindow* popover = machines.statusItem().popover();
        if (!popover->isShown() || !save(output, popover->frame())) {
            QTextStream(stderr) << "machines_shot: the panel is not shown\n";
            app.quit();
            return;
        }
        QTextStream(stdout) << output << "\n";
        MachinesPanel* panel = machines.statusItem().panel();
        if (!detail || !panel || panel->rows().isEmpty()) {
            status = 0;
            app.quit();
            return;
        }
        panel->showMachine(panel->rows().first()->machine().instance);
        QObject::connect(panel->detailView(), &MachineDetailView::loaded, &app, [&, popover] {
            QTimer::singleShot(800, &app, [&, popover] {
                QString second = output;
                second.replace(QStringLiteral(".png"), QStringLiteral("-detail.png"));
                status = save(second, popover->frame()) ? 0 : 1;
                QTextStream(stdout) << second << "\n";
                app.quit();
            });
        });
    });
    QTimer::singleShot(seconds * 2000 + 30000, &app, [&] { app.quit(); });
    return app.exec() == 0 ? status : 1;
}
