// A recorded sensor table comes from a bug report: any bytes. Parsing it and reading every key it
// lists through the controller's reader must neither crash nor read out of bounds.
#include "Platform/Sensors/RecordedSMCTransport.h"
#include "VantorAgent/Sensors/SMCReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    auto table = std::make_unique<RecordedSMCTransport>(text);
    // Discovery enumerates the table; the candidate search (thousands of lookups) runs only when
    // the table has no temperature key, which is then cheap to answer.
    SMCReader reader(std::move(table));
    reader.temperatures(SamplingPlan::SMCScope::full);
    reader.fans();
    reader.power();
    return 0;
}
