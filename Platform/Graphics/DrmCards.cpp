#include "Platform/Graphics/DrmCards.h"

#include "Platform/Graphics/GraphicsAccelerators.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include <fcntl.h>
#include <unistd.h>

namespace DrmCards {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

std::string_view view(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), size_t(bytes.size()));
}

std::optional<quint64> attributeValue(const QString& path)
{
    const auto text = readAttribute(path);
    return text ? parseValue(view(*text)) : std::nullopt;
}

bool isCardName(const QString& name)
{
    if (!name.startsWith(QLatin1String("card")) || name.size() == 4)
        return false;
    for (qsizetype i = 4; i < name.size(); ++i)
        if (!name.at(i).isDigit())
            return false;
    return true;
}

} // namespace

std::optional<QByteArray> readAttribute(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    // Every attribute read here is one short line.
    char buffer[256];
    ssize_t n;
    do
        n = ::read(fd, buffer, sizeof buffer);
    while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n < 0)
        return std::nullopt;
    return QByteArray(buffer, qsizetype(n));
}

QList<QString> devices(const QString& sysRoot)
{
    QList<QString> result;
    QList<QString> seen;
    const QDir drm(sysRoot + QStringLiteral("/class/drm"));
    QStringList names = drm.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    std::sort(names.begin(), names.end(),
        [](const QString& a, const QString& b) { return a.size() != b.size() ? a.size() < b.size() : a < b; });
    for (const QString& name : names) {
        if (!isCardName(name))
            continue;
        const QString device = drm.filePath(name) + QStringLiteral("/device");
        if (!QFileInfo(device).isDir())
            continue;
        const QString identity = QFileInfo(device).canonicalFilePath();
        if (seen.contains(identity))
            continue;
        seen.append(identity);
        result.append(device);
    }
    return result;
}

std::optional<QVariantMap> statistics(const QString& device)
{
    // The status is read first: touching the driver's figures of a sleeping card would wake it.
    if (const auto status = readAttribute(device + QStringLiteral("/power/runtime_status")))
        if (isSuspended(view(*status)))
            return std::nullopt;
    QVariantMap result;
    if (const auto busy = attributeValue(device + QStringLiteral("/gpu_busy_percent")))
        // Handed over as a fraction, so that 1 % busy cannot be mistaken for a whole card.
        result.insert(GraphicsAccelerators::utilizationKey, double(std::min<quint64>(*busy, 100)) / 100.0);
    const auto vram = attributeValue(device + QStringLiteral("/mem_info_vram_used"));
    const auto gtt = attributeValue(device + QStringLiteral("/mem_info_gtt_used"));
    if (vram || gtt) {
        const quint64 a = vram.value_or(0), b = gtt.value_or(0);
        const quint64 sum = a > ~quint64(0) - b ? ~quint64(0) : a + b;
        result.insert(GraphicsAccelerators::inUseMemoryKey, double(sum));
    }
    return result;
}

bool isSuspended(std::string_view runtimeStatus)
{
    const std::string_view status = trimmed(runtimeStatus);
    return status == "suspended" || status == "suspending";
}

std::optional<quint64> parseValue(std::string_view text)
{
    text = trimmed(text);
    quint64 value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<quint32> parseHex(std::string_view text)
{
    text = trimmed(text);
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    quint32 value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace DrmCards
