#include "VantorAgent/Popovers/UsageGraph.h"

#include "VantorShared/Panels/PanelEnvironment.h"

#include <QEvent>

#include <cmath>

UsageGraph::UsageGraph(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    followPanelHeight();
}

QSize UsageGraph::sizeHint() const
{
    return {130, height()};
}

bool UsageGraph::event(QEvent* event)
{
    if (event->type() == PanelEnvironment::changeType() || event->type() == QEvent::ParentChange)
        followPanelHeight();
    return QWidget::event(event);
}

void UsageGraph::followPanelHeight()
{
    setFixedHeight(int(std::lround(PanelEnvironment::of(this).metrics.usageGraphHeight)));
}
