#include "VantorShared/Panels/PanelDivider.h"

#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"

#include <QPainter>

PanelDivider::PanelDivider(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PanelDivider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), PanelColors::divider(PanelEnvironment::of(this).dark));
}
