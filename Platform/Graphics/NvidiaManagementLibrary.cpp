#include "Platform/Graphics/NvidiaManagementLibrary.h"

#include "Platform/Graphics/GraphicsAccelerators.h"
#include "Platform/Logging/PlatformLog.h"

#include <algorithm>

#include <dlfcn.h>

namespace {

// The few declarations of the library's C interface that are used here.
using Result = int;
constexpr Result success = 0;
using Device = struct DeviceOpaque*;
struct Utilization {
    unsigned int gpu;
    unsigned int memory;
};
struct Memory {
    unsigned long long total;
    unsigned long long free;
    unsigned long long used;
};

} // namespace

struct NvidiaManagementLibrary::Functions {
    Result (*init)() = nullptr;
    Result (*shutdown)() = nullptr;
    Result (*deviceCount)(unsigned int*) = nullptr;
    Result (*deviceByIndex)(unsigned int, Device*) = nullptr;
    Result (*utilization)(Device, Utilization*) = nullptr;
    Result (*memory)(Device, Memory*) = nullptr;
};

namespace {

template <typename F> bool bind(void* handle, const char* name, F& function)
{
    function = reinterpret_cast<F>(::dlsym(handle, name));
    return function != nullptr;
}

} // namespace

NvidiaManagementLibrary::NvidiaManagementLibrary()
{
    m_handle = ::dlopen("libnvidia-ml.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!m_handle)
        return;
    auto* functions = new Functions;
    const bool complete = bind(m_handle, "nvmlInit_v2", functions->init)
        && bind(m_handle, "nvmlShutdown", functions->shutdown)
        && bind(m_handle, "nvmlDeviceGetCount_v2", functions->deviceCount)
        && bind(m_handle, "nvmlDeviceGetHandleByIndex_v2", functions->deviceByIndex)
        && bind(m_handle, "nvmlDeviceGetUtilizationRates", functions->utilization)
        && bind(m_handle, "nvmlDeviceGetMemoryInfo", functions->memory);
    if (!complete) {
        qCInfo(lcPlatform, "the nvidia management library lacks a needed function, not used");
        delete functions;
        ::dlclose(m_handle);
        m_handle = nullptr;
        return;
    }
    m_functions = functions;
}

NvidiaManagementLibrary::~NvidiaManagementLibrary()
{
    delete m_functions;
    if (m_handle)
        ::dlclose(m_handle);
}

QList<QVariantMap> NvidiaManagementLibrary::statistics()
{
    QList<QVariantMap> result;
    if (!m_functions || m_functions->init() != success)
        return result;
    unsigned int count = 0;
    if (m_functions->deviceCount(&count) == success) {
        for (unsigned int index = 0; index < count && index < 64; ++index) {
            Device device = nullptr;
            if (m_functions->deviceByIndex(index, &device) != success)
                continue;
            QVariantMap figures;
            Utilization utilization {};
            if (m_functions->utilization(device, &utilization) == success)
                figures.insert(GraphicsAccelerators::utilizationKey, double(std::min(utilization.gpu, 100u)) / 100.0);
            Memory memory {};
            if (m_functions->memory(device, &memory) == success)
                figures.insert(GraphicsAccelerators::inUseMemoryKey, double(memory.used));
            result.append(figures);
        }
    }
    m_functions->shutdown();
    return result;
}
