#pragma once

#include <QMetaType>

#include <array>

// The lengths that decide how tall a popover panel is. The status bar controller picks one of the
// fixed steps so that a panel fits the screen; the panel's root hands the choice down to every
// part that uses it (see PanelEnvironment).
struct PanelMetrics {
    double usageGraphHeight = 70;
    double loadGraphHeight = 72;
    double sectionPadding = 9;
    double rowSpacing = 7;

    bool operator==(const PanelMetrics&) const = default;

    // Roomiest first; the first is the default.
    static constexpr std::array<PanelMetrics, 4> steps()
    {
        return {PanelMetrics {70, 72, 9, 7}, PanelMetrics {60, 60, 8, 6}, PanelMetrics {50, 50, 6, 5},
            PanelMetrics {42, 42, 5, 4}};
    }
};

Q_DECLARE_METATYPE(PanelMetrics)
