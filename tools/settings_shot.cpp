// Renders every page of the settings window, light and dark, into PNG files for the README. Runs
// on Qt's offscreen platform and on a throwaway settings suite, so it neither needs a display nor
// touches the user's settings.
//
//   settings_shot [output-directory] [--bundle path/to/Vantor.app] [--scale 2]

#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/AgentControl/AgentController.h"
#include "Vantor/AgentControl/AgentRow.h"
#include "Vantor/LoginItems/LaunchAtLoginSection.h"
#include "Vantor/Updates/UpdateOfferRow.h"
#include "Vantor/Window/SettingsPage.h"
#include "Vantor/Window/SettingsView.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tools/ToolBundles.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

QPalette darkPalette()
{
    QPalette palette;
    const QColor window(0x26, 0x26, 0x29), base(0x1e, 0x1e, 0x21), text(0xf2, 0xf2, 0xf4);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Mid, QColor(0x48, 0x48, 0x4c));
    palette.setColor(QPalette::Light, QColor(0x55, 0x55, 0x5a));
    palette.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
    palette.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x70, 0x70, 0x75));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x70, 0x70, 0x75));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x70, 0x70, 0x75));
    return palette;
}

QPalette lightPalette()
{
    QPalette palette = QStyleFactory::create(QStringLiteral("Fusion"))->standardPalette();
    palette.setColor(QPalette::Window, QColor(0xec, 0xec, 0xee));
    palette.setColor(QPalette::Highlight, QColor(0x0a, 0x6c, 0xe0));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "settings-shot");
    qputenv("VANTOR_LANGUAGE", "en");
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--scale")
            qputenv("QT_SCALE_FACTOR", argv[i + 1]);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    QString output = QStringLiteral(".");
    QString bundle;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--bundle") && i + 1 < args.size())
            bundle = args[++i];
        else if (args[i] == QLatin1String("--scale") && i + 1 < args.size())
            ++i;
        else
            output = args[i];
    }
    if (bundle.isEmpty()) {
        const QString agent = ToolBundles::findAgentBundle();
        if (!agent.isEmpty())
            bundle = QDir::cleanPath(agent + QStringLiteral("/../../../.."));
    }
    if (bundle.isEmpty()) {
        QTextStream(stderr) << "settings_shot: no Vantor.app found; pass --bundle\n";
        return 1;
    }
    Bundle::setMainBundlePathForTesting(bundle);
    SharedSettings::prepareAtLaunch();
    // The same pictures on every machine: ten cores in two tiers would be drawn by the meters.
    StatusMetricView::overrideCoreCount(10);
    QDir().mkpath(output);

    // The same rows the app puts into the window.
    AgentController agent;
    HostedWidgets hosted;
    hosted.updateOfferRow = [] { return new UpdateOfferRow; };
    hosted.agentRow = [&agent] { return new AgentRow(agent); };
    hosted.startupSection = [] { return new LaunchAtLoginSection; };

    int failures = 0;
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? darkPalette() : lightPalette());
        for (const SettingsPage page : EnumCases<SettingsPage>::all) {
            SharedSettings::store().setString(SharedSettings::Key::settingsPane, rawValue(page));
            SettingsView view(hosted);
            // The size the app opens at: every page whole, without scrolling.
            view.resize(view.preferredSize());
            view.show();
            // A moment for what the rows learn asynchronously (the login item's state).
            QElapsedTimer settling;
            settling.start();
            while (settling.elapsed() < 300)
                QApplication::processEvents(QEventLoop::AllEvents, 20);
            const QString file = QDir(output).filePath(
                QStringLiteral("settings-%1-%2.png")
                    .arg(rawValue(page), dark ? QStringLiteral("dark") : QStringLiteral("light")));
            if (!view.grab().toImage().save(file)) {
                QTextStream(stderr) << "settings_shot: cannot write " << file << "\n";
                ++failures;
            }
        }
    }
    return failures ? 1 : 0;
}
