#include "VantorShared/Machines/MachineQueries.h"

#include <QHash>
#include <QSet>

#include <algorithm>

#include <cmath>

namespace MachineQueries {
namespace {

const QString partLabel = QStringLiteral("vantor_part");

bool isNameStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}
bool isNameChar(QChar c)
{
    return isNameStart(c) || (c >= u'0' && c <= u'9');
}

void skipSpace(const QString& text, qsizetype& i)
{
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
}

// One matcher at `i`: name, operator, quoted value.
bool readMatcher(const QString& text, qsizetype& i)
{
    skipSpace(text, i);
    if (i >= text.size() || !isNameStart(text[i]))
        return false;
    while (i < text.size() && isNameChar(text[i]))
        ++i;
    skipSpace(text, i);
    if (i + 1 < text.size() && (text[i] == u'!' || text[i] == u'=') && (text[i + 1] == u'=' || text[i + 1] == u'~'))
        i += 2;
    else if (i < text.size() && text[i] == u'=')
        i += 1;
    else
        return false;
    if (text[i - 1] == u'=' && i >= 2 && text[i - 2] == u'=')
        return false; // "=="
    skipSpace(text, i);
    if (i >= text.size() || (text[i] != u'"' && text[i] != u'\''))
        return false;
    const QChar quote = text[i++];
    while (i < text.size() && text[i] != quote) {
        if (text[i] == u'\n' || text[i] == u'\r')
            return false;
        if (text[i] == u'\\') {
            if (++i >= text.size())
                return false;
        }
        ++i;
    }
    if (i >= text.size())
        return false;
    ++i;
    skipSpace(text, i);
    return true;
}

// `metric{extra,filter}`, leaving out what is empty.
QString selector(const QString& metric, const QString& extra, const QString& filter)
{
    QStringList matchers;
    if (!extra.isEmpty())
        matchers.append(extra);
    if (!filter.trimmed().isEmpty())
        matchers.append(filter.trimmed());
    return metric + QLatin1Char('{') + matchers.join(QLatin1Char(',')) + QLatin1Char('}');
}

QString tagged(const QString& part, const QString& expression)
{
    return QStringLiteral("label_replace(%1, \"%2\", \"%3\", \"\", \"\")").arg(expression, partLabel, part);
}

QString instanceFilter(const QString& filter, const QString& instance)
{
    const QString own = QStringLiteral("instance=") + quoted(instance);
    return filter.trimmed().isEmpty() ? own : filter.trimmed() + QLatin1Char(',') + own;
}

std::optional<double> fraction(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // Counters reset and scrapes race, so a few parts in a thousand past the ends are rounding.
    if (value < -0.01 || value > 1.01)
        return std::nullopt;
    return std::clamp(value, 0.0, 1.0);
}

std::optional<double> inRange(double value, double lowest, double highest)
{
    if (!std::isfinite(value) || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

} // namespace

QString quoted(const QString& value)
{
    QString result = QStringLiteral("\"");
    for (const QChar c : value) {
        if (c == u'"' || c == u'\\')
            result.append(u'\\');
        if (c == u'\n') {
            result.append(QLatin1String("\\n"));
            continue;
        }
        result.append(c);
    }
    result.append(u'"');
    return result;
}

bool isValidFilter(const QString& filter)
{
    if (filter.size() > 1000)
        return false;
    const QString text = filter.trimmed();
    if (text.isEmpty())
        return true;
    qsizetype i = 0;
    while (true) {
        if (!readMatcher(text, i))
            return false;
        if (i == text.size())
            return true;
        if (text[i] != u',')
            return false;
        ++i;
    }
}

QString targets(const QString& filter)
{
    return selector(QStringLiteral("up"), {}, filter);
}

QString summary(const QString& filter)
{
    const QString idle
        = selector(QStringLiteral("node_cpu_seconds_total"), QStringLiteral("mode=~\"idle|iowait\""), filter);
    const QString cores = selector(QStringLiteral("node_cpu_seconds_total"), QStringLiteral("mode=\"idle\""), filter);
    const QString root = QStringLiteral("mountpoint=\"/\"");
    const QStringList parts {
        tagged(QStringLiteral("up"), targets(filter)),
        tagged(QStringLiteral("cpu"),
            QStringLiteral("1 - sum by (instance) (rate(%1[1m])) / count by (instance) (%2)").arg(idle, cores)),
        tagged(QStringLiteral("memory"),
            QStringLiteral("1 - %1 / %2")
                .arg(selector(QStringLiteral("node_memory_MemAvailable_bytes"), {}, filter),
                    selector(QStringLiteral("node_memory_MemTotal_bytes"), {}, filter))),
        // What users may no longer write, over the file system's size, as our own storage meter and
        // the desktop's file managers count it: blocks reserved for root count as taken.
        tagged(QStringLiteral("disk"),
            QStringLiteral("max by (instance) (1 - %1 / %2)")
                .arg(selector(QStringLiteral("node_filesystem_avail_bytes"), root, filter),
                    selector(QStringLiteral("node_filesystem_size_bytes"), root, filter))),
        tagged(QStringLiteral("temperature"),
            QStringLiteral("max by (instance) (%1)")
                .arg(selector(
                    {}, QStringLiteral("__name__=~\"node_hwmon_temp_celsius|node_thermal_zone_temp\""), filter))),
        tagged(QStringLiteral("load1"), selector(QStringLiteral("node_load1"), {}, filter)),
        tagged(QStringLiteral("uptime"),
            QStringLiteral("%1 - %2").arg(selector(QStringLiteral("node_time_seconds"), {}, filter),
                selector(QStringLiteral("node_boot_time_seconds"), {}, filter))),
        tagged(QStringLiteral("uname"), selector(QStringLiteral("node_uname_info"), {}, filter)),
    };
    return parts.join(QStringLiteral(" or "));
}

QList<MachineStatus> machinesFromSummary(const PrometheusResult& result)
{
    QList<MachineStatus> machines;
    QHash<QString, qsizetype> index;
    for (const PrometheusSample& sample : result.vector) {
        const QString instance = sample.labels.value(QStringLiteral("instance"));
        if (instance.isEmpty())
            continue;
        auto found = index.constFind(instance);
        if (found == index.constEnd()) {
            found = index.insert(instance, machines.size());
            MachineStatus fresh;
            fresh.instance = instance;
            machines.append(std::move(fresh));
        }
        MachineStatus& machine = machines[*found];
        const QString part = sample.labels.value(partLabel);
        const double value = sample.value;
        if (part == QLatin1String("up")) {
            // A machine scraped by several jobs counts as up when any of them reaches it.
            machine.up = machine.up || value == 1;
        } else if (part == QLatin1String("cpu")) {
            machine.cpu = fraction(value);
        } else if (part == QLatin1String("memory")) {
            machine.memory = fraction(value);
        } else if (part == QLatin1String("disk")) {
            machine.disk = fraction(value);
        } else if (part == QLatin1String("temperature")) {
            machine.hottestCelsius = inRange(value, -60, 250);
        } else if (part == QLatin1String("load1")) {
            machine.load1 = inRange(value, 0, 1e6);
        } else if (part == QLatin1String("uptime")) {
            machine.uptimeSeconds = inRange(value, 0, 100.0 * 365 * 24 * 3600);
        } else if (part == QLatin1String("uname")) {
            machine.nodename = sample.labels.value(QStringLiteral("nodename")).left(253);
        }
    }
    // A machine known only from stale node metrics but without a target is not one of ours.
    QList<MachineStatus> targets;
    QSet<QString> withTarget;
    for (const PrometheusSample& sample : result.vector) {
        if (sample.labels.value(partLabel) == QLatin1String("up"))
            withTarget.insert(sample.labels.value(QStringLiteral("instance")));
    }
    for (MachineStatus& machine : machines) {
        if (withTarget.contains(machine.instance))
            targets.append(std::move(machine));
    }
    return targets;
}

int countTargets(const PrometheusResult& result)
{
    QSet<QString> instances;
    for (const PrometheusSample& sample : result.vector)
        instances.insert(sample.labels.value(QStringLiteral("instance")));
    return int(instances.size());
}

namespace Range {
QString cpu(const QString& filter, const QString& instance)
{
    const QString f = instanceFilter(filter, instance);
    return QStringLiteral("1 - sum(rate(%1[1m])) / count(%2)")
        .arg(selector(QStringLiteral("node_cpu_seconds_total"), QStringLiteral("mode=~\"idle|iowait\""), f),
            selector(QStringLiteral("node_cpu_seconds_total"), QStringLiteral("mode=\"idle\""), f));
}
QString coreUsage(const QString& filter, const QString& instance)
{
    return QStringLiteral("1 - sum by (cpu) (rate(%1[1m]))")
        .arg(selector(QStringLiteral("node_cpu_seconds_total"), QStringLiteral("mode=~\"idle|iowait\""),
            instanceFilter(filter, instance)));
}
QString load(const QString& filter, const QString& instance)
{
    return selector(
        {}, QStringLiteral("__name__=~\"node_load1|node_load5|node_load15\""), instanceFilter(filter, instance));
}
QString memory(const QString& filter, const QString& instance)
{
    return selector({},
        QStringLiteral("__name__=~\"node_memory_(MemTotal|MemAvailable|MemFree|Cached|Buffers|Shmem|"
                       "SReclaimable|SUnreclaim|KernelStack|PageTables|SwapTotal|SwapFree)_bytes\""),
        instanceFilter(filter, instance));
}
QString storage(const QString& filter, const QString& instance)
{
    return selector({}, QStringLiteral("__name__=~\"node_filesystem_(avail|size|free)_bytes\",mountpoint=\"/\""),
        instanceFilter(filter, instance));
}
QString temperatures(const QString& filter, const QString& instance)
{
    return selector(QStringLiteral("node_hwmon_temp_celsius"), {}, instanceFilter(filter, instance));
}
QString fans(const QString& filter, const QString& instance)
{
    return selector(QStringLiteral("node_hwmon_fan_rpm"), {}, instanceFilter(filter, instance));
}
} // namespace Range

} // namespace MachineQueries
