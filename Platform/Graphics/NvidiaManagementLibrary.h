#pragma once

#include <QList>
#include <QVariantMap>

// NVIDIA's management library (libnvidia-ml.so.1), loaded at run time so that nothing is needed
// to build or run without it. Absent library, failed start-up or no device: no dictionaries.
class NvidiaManagementLibrary {
public:
    NvidiaManagementLibrary();
    ~NvidiaManagementLibrary();
    NvidiaManagementLibrary(const NvidiaManagementLibrary&) = delete;
    NvidiaManagementLibrary& operator=(const NvidiaManagementLibrary&) = delete;

    bool isLoaded() const { return m_handle != nullptr; }
    // One dictionary per device, under GraphicsAccelerators' key names. The library is started
    // for each read and shut down after it: a client that stays attached keeps the card from
    // ever going back to sleep.
    QList<QVariantMap> statistics();

private:
    void* m_handle = nullptr;
    struct Functions;
    Functions* m_functions = nullptr;
};
