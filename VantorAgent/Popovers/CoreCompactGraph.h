#pragma once

#include "VantorAgent/Popovers/UsageGraph.h"

#include <QColor>
#include <QList>

// One bar per core, in core order, as tall as the core is busy; busy cores turn orange.
class CoreCompactGraph : public UsageGraph {
    Q_OBJECT
public:
    explicit CoreCompactGraph(QWidget* parent = nullptr);

    void setUsages(const QList<double>& usages);

    static constexpr double busyThreshold = 0.82;
    // A bar is 58 points high at full use, at least 1.5, and never taller than the graph's inner
    // height (denser panels make the graph shorter than 58 + the margins).
    static double barHeight(double usage, double graphHeight);
    static bool isBusy(double usage) { return usage >= busyThreshold; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<double> m_usages;
};
