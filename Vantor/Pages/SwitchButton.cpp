#include "Vantor/Pages/SwitchButton.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/SettingsColors.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QPainter>

SwitchButton::SwitchButton(const QString& key, std::function<bool()> read, QWidget* parent)
    : QAbstractButton(parent)
    , m_key(key)
    , m_read(std::move(read))
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    refresh();
    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, &SwitchButton::refresh);
}

SwitchButton::SwitchButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

QSize SwitchButton::sizeHint() const
{
    return {40, 24};
}

void SwitchButton::refresh()
{
    if (m_read)
        setChecked(m_read());
}

void SwitchButton::nextCheckState()
{
    if (m_key.isEmpty()) {
        QAbstractButton::nextCheckState();
        return;
    }
    // The store is the truth: write it, then show what it holds now.
    SharedSettings::store().setBool(m_key, !isChecked());
    refresh();
}

void SwitchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(0, 0, 38, 22).translated((width() - 38) / 2.0, (height() - 22) / 2.0);
    QColor off = palette().color(QPalette::WindowText);
    off.setAlphaF(SettingsColors::isDark(palette()) ? 0.25f : 0.16f);
    QColor fill = isChecked() ? palette().color(QPalette::Highlight) : off;
    if (!isEnabled())
        fill.setAlphaF(fill.alphaF() * 0.5f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, 11, 11);
    const double knobX = isChecked() ? track.right() - 20 : track.left() + 2;
    painter.setBrush(QColor(255, 255, 255));
    painter.setPen(QPen(QColor(0, 0, 0, 30), 0.5));
    painter.drawEllipse(QRectF(knobX, track.top() + 2, 18, 18));
    if (hasFocus()) {
        QColor ring = palette().color(QPalette::Highlight);
        ring.setAlphaF(0.5f);
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1, -1, 1, 1), 12, 12);
    }
}
