#pragma once

#include <QWidget>

#include <functional>

// Widgets that other parts of the app contribute to the settings window. Each is a factory: the
// window builds its whole tree again when the interface language changes, and the new tree needs
// new widgets in the new language. A factory that is not set leaves its place empty.
struct HostedWidgets {
    using Factory = std::function<QWidget*()>;

    // Sidebar foot, above the agent row: the offer of an update the agent found.
    Factory updateOfferRow;
    // Sidebar foot, last: the agent's switch and state.
    Factory agentRow;
    // General page, first section: starting at login.
    Factory startupSection;
};
