#pragma once

#include <QIcon>
#include <QWidget>

// The icon of the application a process belongs to, 14 × 14; the "terminal" symbol for a process
// without one. Icons are looked up once per executable and kept for the life of the agent.
class ProcessIcon : public QWidget {
    Q_OBJECT
public:
    explicit ProcessIcon(qint64 pid = 0, QWidget* parent = nullptr);

    qint64 pid() const { return m_pid; }
    void setPid(qint64 pid);
    bool hasApplicationIcon() const { return !m_icon.isNull(); }

    // The application icon for a process, or a null icon; cached by executable.
    static QIcon iconFor(qint64 pid);
    // Where /proc and the desktop entries are looked for; tests point them at fixtures. Clears
    // the cache.
    static void setSourcesForTesting(const QString& procRoot, const QStringList& dataDirs);

    QSize sizeHint() const override { return {14, 14}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qint64 m_pid = 0;
    QIcon m_icon;
};
