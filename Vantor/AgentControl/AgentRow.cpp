#include "Vantor/AgentControl/AgentRow.h"

#include "Vantor/AgentControl/AgentController.h"
#include "Vantor/AgentControl/SidebarSignalIcon.h"
#include "VantorShared/Language/AppLanguage.h"

#include "Vantor/Pages/SettingsColors.h"
#include "Vantor/Pages/SwitchButton.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// A one-line title that gives up to a fifth of its size before it elides.
class ShrinkingTitle final : public QLabel {
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QFont font = this->font();
        const double full = font.pointSizeF() > 0 ? font.pointSizeF() : 13.0;
        const QRect area = contentsRect();
        for (double scale = 1.0; scale >= 0.8 - 1e-9; scale -= 0.05) {
            font.setPointSizeF(full * scale);
            if (QFontMetricsF(font).horizontalAdvance(text()) <= area.width())
                break;
        }
        painter.setFont(font);
        painter.setPen(palette().color(foregroundRole()));
        const QString shown = QFontMetrics(font).elidedText(text(), Qt::ElideRight, area.width());
        painter.drawText(area, int(Qt::AlignLeft | Qt::AlignVCenter), shown);
    }
};

} // namespace

AgentRow::AgentRow(AgentController& controller, QWidget* parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_icon(new SidebarSignalIcon(this))
    , m_title(new ShrinkingTitle(QStringLiteral("Vantor"), this))
    , m_state(new QLabel(this))
    , m_switch(new SwitchButton(this))
{
    // A foot row: as tall as its content, however much room the sidebar has.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(8);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);

    auto* text = new QVBoxLayout;
    text->setSpacing(0);
    QFont titleFont = m_title->font();
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);
    text->addWidget(m_title);
    applyColours();
    text->addWidget(m_state);
    // The texts get the room first; the space between them and the switch gives way.
    row->addLayout(text, 1);
    row->addStretch(0);

    // The switch has no visible label: its name says what it does, its state says on or off.
    const QString purpose = AppLanguage::string(QStringLiteral("Show Vantor's meters"));
    m_switch->setAccessibleName(purpose);
    m_switch->setToolTip(purpose);
    row->addWidget(m_switch, 0, Qt::AlignVCenter);

    // Only the user's own clicks start or stop the agent; showing the state never does.
    connect(m_switch, &SwitchButton::clicked, this, [this](bool checked) { m_controller.setEnabled(checked); });
    connect(&m_controller, &AgentController::isRunningChanged, this, &AgentRow::showRunning);
    showRunning(m_controller.isRunning());
}

void AgentRow::showRunning(bool running)
{
    m_state->setText(running ? AppLanguage::string(QStringLiteral("On")) : AppLanguage::string(QStringLiteral("Off")));
    m_switch->setChecked(running);
}

void AgentRow::applyColours()
{
    QPalette secondary = m_state->palette();
    secondary.setColor(
        QPalette::WindowText, SettingsColors::secondaryText(palette(), SettingsColors::sidebarFill(palette())));
    m_state->setPalette(secondary);
}

void AgentRow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        applyColours();
    QWidget::changeEvent(event);
}
