#include "Platform/Kernel/ProcStatReader.h"

#include <array>

namespace {

// The counters after the label of a "cpu" line; older kernels write fewer than eight, and at least
// user, nice, system and idle are needed.
bool parseTimes(std::string_view fields, CpuTimes& times)
{
    std::array<quint64, 8> values {};
    size_t count = 0;
    for (; count < values.size(); ++count) {
        ProcParse::skipBlanks(fields);
        if (fields.empty())
            break;
        const auto value = ProcParse::unsignedNumber(fields);
        if (!value)
            return false;
        values[count] = *value;
    }
    if (count < 4)
        return false;
    times = {values[0], values[1], values[2], values[3], values[4], values[5], values[6], values[7]};
    return true;
}

} // namespace

ProcStatReader::ProcStatReader(const QString& procRoot)
    : m_file(procRoot + QStringLiteral("/stat"), 16384)
{
}

bool ProcStatReader::read(CpuTimes& whole, std::vector<CpuTimes>& cores, std::vector<int>* numbers)
{
    const auto text = m_file.read();
    return text && parse(*text, whole, cores, numbers);
}

bool ProcStatReader::parse(
    std::string_view text, CpuTimes& whole, std::vector<CpuTimes>& cores, std::vector<int>* numbers)
{
    bool haveWhole = false;
    bool coresValid = true;
    size_t coreCount = 0;
    while (!text.empty()) {
        const std::string_view line = ProcParse::nextLine(text);
        if (!line.starts_with("cpu")) {
            // The processor lines come first; the rest of the file (interrupts, context switches,
            // processes) is not needed.
            if (haveWhole)
                break;
            continue;
        }
        std::string_view rest = line.substr(3);
        if (!rest.empty() && (rest[0] == ' ' || rest[0] == '\t')) {
            haveWhole = parseTimes(rest, whole);
            if (!haveWhole)
                return false;
            continue;
        }
        const auto number = ProcParse::unsignedNumber(rest);
        if (!number || *number > 1u << 20) {
            coresValid = false;
            continue;
        }
        if (coreCount == cores.size())
            cores.emplace_back();
        if (numbers) {
            if (coreCount == numbers->size())
                numbers->push_back(0);
            (*numbers)[coreCount] = int(*number);
        }
        if (!parseTimes(rest, cores[coreCount]))
            coresValid = false;
        ++coreCount;
    }
    cores.resize(coresValid ? coreCount : 0);
    if (numbers)
        numbers->resize(cores.size());
    return haveWhole;
}
