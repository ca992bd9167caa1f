#include "Vantor/Preview/MenuBarPreview.h"

#include "Vantor/Pages/SettingsColors.h"
#include "Vantor/Preview/MenuBarStripView.h"
#include "VantorShared/Language/AppLanguage.h"

#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>

namespace {

constexpr int kPlateInset = 8;

} // namespace

MenuBarPreview::MenuBarPreview(MenuBarReadings* readings, QWidget* parent)
    : QWidget(parent)
    , m_strip(new MenuBarStripView(readings, this))
{
    auto* layout = new QHBoxLayout(this);
    // The plate is inset by kPlateInset; the meters sit 14 points below its top and 16 from its right.
    layout->setContentsMargins(kPlateInset + 16 - MenuBarStripView::hitSlop, kPlateInset + 14,
        kPlateInset + 16 - MenuBarStripView::hitSlop, kPlateInset + 14);
    layout->addStretch(1);
    layout->addWidget(m_strip, 0, Qt::AlignVCenter);
    setAccessibleName(AppLanguage::string(QStringLiteral("Top Bar")));
}

void MenuBarPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = SettingsColors::isDark(palette());
    // A frosted strip with a faint vertical sheen, tinted like a top bar over a cool wallpaper.
    QLinearGradient sheen(0, 0, 0, height());
    if (dark) {
        sheen.setColorAt(0, QColor(62, 63, 70));
        sheen.setColorAt(1, QColor(50, 51, 58));
    } else {
        sheen.setColorAt(0, QColor(238, 242, 250));
        sheen.setColorAt(1, QColor(226, 231, 242));
    }
    const QRectF plate
        = QRectF(rect()).adjusted(kPlateInset + 0.5, kPlateInset + 0.5, -kPlateInset - 0.5, -kPlateInset - 0.5);
    painter.setPen(QPen(dark ? QColor(255, 255, 255, 30) : QColor(0, 0, 0, 18), 1));
    painter.setBrush(sheen);
    painter.drawRoundedRect(plate, 14, 14);
}
