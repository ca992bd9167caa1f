#pragma once

#include "VantorAgent/Popovers/UsageGraph.h"

#include <QList>
#include <QPainterPath>
#include <QSizeF>

// The recent processor history: the user share as a cyan area with the system share stacked on
// it in red, oldest on the left, on a dark rounded plate.
class MiniHistoryGraph : public UsageGraph {
    Q_OBJECT
public:
    explicit MiniHistoryGraph(QWidget* parent = nullptr);

    void setHistories(const QList<double>& user, const QList<double>& system);

    // The closed area under `values` (stacked on `base` when given, value for value) in a canvas
    // of `size` inset by `inset` on every side; empty with fewer than two values.
    static QPainterPath areaPath(
        const QList<double>& values, const QList<double>* stackedOn, const QSizeF& size, double inset);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<double> m_user;
    QList<double> m_system;
};
