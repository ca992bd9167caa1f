// Feeds arbitrary bytes to the reader of the query API's answers and on to the machines made from
// them: neither may crash or hang, and every figure that comes out must be in its range.

#include "Platform/Prometheus/PrometheusResponse.h"
#include "VantorShared/Machines/MachineQueries.h"

#include <QByteArray>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void checkFraction(const std::optional<double>& value)
{
    if (value && !(*value >= 0 && *value <= 1))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const PrometheusResult result = PrometheusResponse::parse(body);
    if (result.error.isError() && (!result.vector.isEmpty() || !result.matrix.isEmpty()))
        std::abort();
    if (result.vector.size() > PrometheusResponse::maximumSeries
        || result.matrix.size() > PrometheusResponse::maximumSeries)
        std::abort();
    for (const MachineStatus& machine : MachineQueries::machinesFromSummary(result)) {
        if (machine.instance.isEmpty())
            std::abort();
        checkFraction(machine.cpu);
        checkFraction(machine.memory);
        checkFraction(machine.disk);
        if (machine.hottestCelsius && !std::isfinite(*machine.hottestCelsius))
            std::abort();
        if (machine.load1 && !(*machine.load1 >= 0))
            std::abort();
    }
    return 0;
}
