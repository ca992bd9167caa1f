#include "Vantor/Preview/MenuBarPreview.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/SettingsColors.h"
#include "Vantor/Preview/MenuBarStripView.h"
#include "Vantor/Preview/TrayPreviewView.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

namespace {

constexpr int kPlateInset = 8;

} // namespace

MenuBarPreview::MenuBarPreview(MenuBarReadings* readings, QWidget* parent)
    : QWidget(parent)
    , m_strip(new MenuBarStripView(readings, this))
{
    // The strip owns the sample readings when none were given; the tray forms draw the same.
    m_tray = new TrayPreviewView(m_strip->readings(), this);
    m_note = new QLabel(AppLanguage::string(QStringLiteral("Shown in the tray: drag to reorder does not apply")), this);
    m_note->setWordWrap(true);
    m_note->setContentsMargins(kPlateInset + 4, kPlateInset, kPlateInset + 4, 0);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_note);
    auto* row = new QHBoxLayout;
    // The plate is inset by kPlateInset; the meters sit 14 points below its top and 16 from its right.
    row->setContentsMargins(kPlateInset + 16 - MenuBarStripView::hitSlop, kPlateInset + 14,
        kPlateInset + 16 - MenuBarStripView::hitSlop, kPlateInset + 14);
    row->addStretch(1);
    row->addWidget(m_strip, 0, Qt::AlignVCenter);
    row->addWidget(m_tray, 0, Qt::AlignVCenter);
    column->addLayout(row);
    setAccessibleName(AppLanguage::string(QStringLiteral("Top Bar")));

    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, &MenuBarPreview::updatePresentation);
    QPointer<MenuBarPreview> self(this);
    m_barListener.listen(SharedSettings::Signal::menuBarChanged, [self] {
        if (self)
            self->updatePresentation();
    });
    updatePresentation();
}

bool MenuBarPreview::showsTray() const
{
    return SharedSettings::store().stringForKey(SharedSettings::Key::menuBarPresentation) == QLatin1String("tray");
}

void MenuBarPreview::updatePresentation()
{
    const bool tray = showsTray();
    m_note->setVisible(tray);
    m_strip->setVisible(!tray);
    m_tray->setVisible(tray);
    m_tray->updateGeometry();
    m_tray->update();
    update();
}

void MenuBarPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = SettingsColors::isDark(palette());
    // A frosted strip with a faint vertical sheen, tinted like a top bar over a cool wallpaper.
    const int top = m_note->isVisible() ? m_note->geometry().bottom() + 1 : 0;
    QLinearGradient sheen(0, top, 0, height());
    if (dark) {
        sheen.setColorAt(0, QColor(62, 63, 70));
        sheen.setColorAt(1, QColor(50, 51, 58));
    } else {
        sheen.setColorAt(0, QColor(238, 242, 250));
        sheen.setColorAt(1, QColor(226, 231, 242));
    }
    const QRectF plate
        = QRectF(rect()).adjusted(kPlateInset + 0.5, top + kPlateInset + 0.5, -kPlateInset - 0.5, -kPlateInset - 0.5);
    painter.setPen(QPen(dark ? QColor(255, 255, 255, 30) : QColor(0, 0, 0, 18), 1));
    painter.setBrush(sheen);
    painter.drawRoundedRect(plate, 14, 14);
}
