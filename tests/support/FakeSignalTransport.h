#pragma once

#include "Platform/Signals/SignalTransport.h"

#include <QStringList>

#include <functional>
#include <map>

// Records posts and delivers them at once to the handlers registered in this process.
class FakeSignalTransport final : public SignalTransport {
public:
    void post(const QString& name) override
    {
        posted.append(name);
        // Copy first: a handler may subscribe or cancel while we deliver.
        const auto handlers = m_handlers;
        for (const auto& [token, entry] : handlers)
            if (entry.first == name && m_handlers.count(token))
                entry.second();
    }
    std::optional<int> subscribe(const QString& name, std::function<void()> handler) override
    {
        if (failRegistrations)
            return std::nullopt;
        const int token = m_next++;
        m_handlers.emplace(token, std::make_pair(name, std::move(handler)));
        return token;
    }
    void cancel(int token) override
    {
        cancelled.append(token);
        m_handlers.erase(token);
    }
    int activeRegistrations() const { return int(m_handlers.size()); }

    QStringList posted;
    QList<int> cancelled;
    bool failRegistrations = false;

private:
    std::map<int, std::pair<QString, std::function<void()>>> m_handlers;
    int m_next = 1;
};
