#include "Platform/Kernel/PressureReader.h"

#include <cmath>

namespace {

// The avg10 figure of a "some"/"full" line: "some avg10=1.25 avg60=... total=...".
std::optional<double> avg10(std::string_view fields)
{
    ProcParse::skipBlanks(fields);
    if (!fields.starts_with("avg10="))
        return std::nullopt;
    fields.remove_prefix(6);
    const auto value = ProcParse::decimalNumber(fields);
    if (!value || !std::isfinite(*value) || *value < 0)
        return std::nullopt;
    return value;
}

} // namespace

PressureReader::PressureReader(const QString& procRoot)
    : m_file(procRoot + QStringLiteral("/pressure/memory"), 256)
{
}

std::optional<PressureStalls> PressureReader::read()
{
    const auto text = m_file.read();
    if (!text)
        return std::nullopt;
    return parse(*text);
}

std::optional<PressureStalls> PressureReader::parse(std::string_view text)
{
    std::optional<double> some;
    double full = 0;
    while (!text.empty()) {
        const std::string_view line = ProcParse::nextLine(text);
        if (line.starts_with("some "))
            some = avg10(line.substr(5));
        else if (line.starts_with("full "))
            full = avg10(line.substr(5)).value_or(0);
    }
    if (!some)
        return std::nullopt;
    return PressureStalls {*some, full};
}
