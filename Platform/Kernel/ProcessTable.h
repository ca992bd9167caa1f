#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// The process list of a /proc file system: process ids, executable paths and start times.
//
// Everything is read from the root given, so tests run on fixture trees. A process that ends
// while it is being read simply yields nothing.
class ProcessTable {
public:
    // `clockTicksPerSecond` is the unit of start times in <pid>/stat; 0 asks the system.
    explicit ProcessTable(QString procRoot = QStringLiteral("/proc"), long clockTicksPerSecond = 0);

    // The ids of all processes, ascending.
    QList<qint32> pids() const;
    // The executable's path from the <pid>/exe link. When the kernel marks the file as
    // " (deleted)" (it was replaced, as an update does) the mark is left off, so a running old
    // copy keeps the path it was started from. None when the link cannot be read.
    std::optional<QString> executablePath(qint32 pid);
    // Start time in microseconds since 1970: the boot time ("btime" of <root>/stat) plus the
    // start-time field of <pid>/stat. None when either cannot be read.
    std::optional<qint64> startTime(qint32 pid);

    // The boot time in seconds since 1970, read once per table.
    std::optional<qint64> bootTime();

    // Start time in clock ticks after boot from the text of a <pid>/stat file. The fields are
    // counted after the last ")", so a command name with blanks or parentheses cannot shift them.
    static std::optional<quint64> startTicks(QByteArrayView stat);
    // The value of "btime" in the text of <root>/stat.
    static std::optional<qint64> bootTimeFromStat(QByteArrayView stat);

private:
    // Reads a small file whole into m_buffer; false when it cannot be read.
    bool readFile(const QByteArray& path);

    QByteArray m_root;
    long m_ticks;
    std::optional<std::optional<qint64>> m_bootTime;
    QByteArray m_buffer;
};
