#include "Platform/Sensors/SysfsValue.h"

#include <QFile>

#include <charconv>

namespace SysfsValue {

std::optional<qint64> integer(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    qint64 value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<qint64> integer(ProcFile& file)
{
    const auto contents = file.read();
    if (!contents)
        return std::nullopt;
    return integer(*contents);
}

std::optional<qint64> integer(const QString& path)
{
    const QByteArray contents = text(path);
    return integer(std::string_view(contents.constData(), size_t(contents.size())));
}

QByteArray text(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray contents = file.read(256);
    const qsizetype newline = contents.indexOf('\n');
    if (newline >= 0)
        contents.truncate(newline);
    return contents.trimmed();
}

} // namespace SysfsValue
