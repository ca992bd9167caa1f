#pragma once

#include "Platform/StatusBar/TrayHostWatcher.h"

// A tray host that comes and goes when the test says so.
class FakeTrayHostWatcher : public TrayHostWatcher {
public:
    explicit FakeTrayHostWatcher(bool present = false)
        : m_present(present)
    {
    }
    bool isHostPresent() const override { return m_present; }
    void setPresent(bool present)
    {
        if (present == m_present)
            return;
        m_present = present;
        emit hostPresenceChanged(present);
    }

private:
    bool m_present;
};
