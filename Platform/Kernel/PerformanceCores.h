#pragma once

#include <QList>
#include <QString>

// The numbers of the CPUs that belong to the processor's fastest kind of core, ascending; empty on
// a processor with one kind of core. Read below <sysRoot>/devices, the same sources the tiers of
// the processor are built from: the hybrid x86 core list, or on ARM the CPUs of the highest
// capacity.
namespace PerformanceCores {

QList<int> cpus(const QString& sysRoot = QStringLiteral("/sys"));

} // namespace PerformanceCores
