// The least any Qt Widgets program pays to show one small live meter: a one-second timer that
// repaints a 60×22 frameless window at the top of the screen with a changing figure. Nothing is
// sampled. bench/agent-cost.sh runs it beside the agent and top, so the agent's cost can be read
// against what the toolkit and the X server take for a window that changes once a second.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class FloorMeter : public QWidget {
public:
    FloorMeter()
    {
        setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
        setFixedSize(60, 22);
        move(0, 0);
    }
    void tick()
    {
        m_value = (m_value + 7) % 100;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), palette().window());
        painter.drawText(rect(), Qt::AlignCenter, QString::number(m_value) + QLatin1Char('%'));
    }

private:
    int m_value = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    FloorMeter meter;
    meter.show();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &meter, &FloorMeter::tick);
    timer.start(1000);
    return app.exec();
}
