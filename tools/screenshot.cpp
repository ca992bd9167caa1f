// Saves a picture of the whole primary screen as PNG: screenshot <file.png> [delay-ms]
// Handy for looking at the running agent on a virtual display (xvfb-run).
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: screenshot <file.png> [delay-ms]\n");
        return 64;
    }
    QTimer::singleShot(args.value(2).toInt(), &app, [&] {
        QScreen* screen = QGuiApplication::primaryScreen();
        const bool saved = screen && screen->grabWindow(0).save(args.at(1), "PNG");
        app.exit(saved ? 0 : 1);
    });
    return app.exec();
}
