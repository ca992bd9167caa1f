#pragma once

#include <QString>

// One row of the busiest-process lists; identified by its pid.
struct ProcessMetric {
    qint64 pid = 0;
    QString name;
    double cpu = 0; // percent of one core; above 100 when several cores are busy
    quint64 memory = 0; // resident bytes
    quint64 diskRead = 0; // bytes per second since the previous scan
    quint64 diskWrite = 0; // bytes per second since the previous scan
    bool operator==(const ProcessMetric&) const = default;
};
