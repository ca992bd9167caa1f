#include "Vantor/Pages/SegmentedControl.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/SettingsColors.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>

SegmentedControl::SegmentedControl(
    const QString& key, const QList<QPair<QString, QString>>& choices, std::function<QString()> read, QWidget* parent)
    : QWidget(parent)
    , m_key(key)
    , m_read(std::move(read))
    , m_group(new QButtonGroup(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    for (const auto& [title, value] : choices) {
        auto* button = new QPushButton(title, this);
        button->setCheckable(true);
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        // The control paints the track and the selected segment; the buttons only carry text.
        button->setStyleSheet(QStringLiteral(
            "QPushButton { border: none; background: transparent; padding: 3px 12px; min-height: 18px; }"));
        m_group->addButton(button);
        layout->addWidget(button);
        m_buttons.append({value, button});
        connect(button, &QPushButton::clicked, this, [this, value = value] {
            SharedSettings::store().setString(m_key, value);
            refresh();
        });
    }
    m_group->setExclusive(true);
    refresh();
    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, &SegmentedControl::refresh);
}

QString SegmentedControl::value() const
{
    for (const auto& [value, button] : m_buttons)
        if (button->isChecked())
            return value;
    return {};
}

QPushButton* SegmentedControl::button(const QString& value) const
{
    for (const auto& [candidate, button] : m_buttons)
        if (candidate == value)
            return button;
    return nullptr;
}

void SegmentedControl::refresh()
{
    const QString current = m_read();
    for (const auto& [value, button] : m_buttons) {
        button->setChecked(value == current);
        QFont font = button->font();
        font.setWeight(value == current ? QFont::DemiBold : QFont::Normal);
        button->setFont(font);
    }
    update();
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = SettingsColors::isDark(palette());
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(dark ? 0.12f : 0.07f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(track);
    painter.drawRoundedRect(QRectF(rect()), 7, 7);
    for (const auto& entry : m_buttons) {
        QPushButton* button = entry.second;
        if (!button->isChecked())
            continue;
        painter.setBrush(dark ? QColor(255, 255, 255, 50) : QColor(255, 255, 255));
        painter.setPen(QPen(QColor(0, 0, 0, dark ? 0 : 25), 0.5));
        painter.drawRoundedRect(QRectF(button->geometry()), 5, 5);
    }
}
