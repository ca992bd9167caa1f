#include "Vantor/Pages/FormSection.h"

#include "Vantor/Pages/SettingsColors.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kRowMinimumHeight = 38;
constexpr double kCornerRadius = 10;

// The rounded group; it also draws the hairlines between its rows, so rows stay plain widgets.
class RoundedGroup : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(SettingsColors::groupBorder(palette()), 1));
        painter.setBrush(SettingsColors::groupFill(palette()));
        painter.drawRoundedRect(frame, kCornerRadius, kCornerRadius);

        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(SettingsColors::separator(palette()), 1));
        const QList<QWidget*> rows = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        QList<QWidget*> visible;
        for (QWidget* row : rows)
            if (row->isVisible())
                visible.append(row);
        std::sort(visible.begin(), visible.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
        for (qsizetype i = 0; i + 1 < visible.size(); ++i) {
            const int y = visible[i]->geometry().bottom() + 1;
            painter.drawLine(14, y, width() - 14, y);
        }
    }
};

} // namespace

FormSection::FormSection(const QString& header, QWidget* parent)
    : QWidget(parent)
{
    QLabel* label = nullptr;
    if (!header.isEmpty()) {
        label = new QLabel(header);
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        m_headerLabel = label;
    }
    build(label);
}

FormSection::FormSection(QWidget* header, QWidget* parent)
    : QWidget(parent)
{
    build(header);
}

void FormSection::build(QWidget* header)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (header) {
        header->setContentsMargins(4, 0, 0, 0);
        layout->addWidget(header);
    }
    m_group = new RoundedGroup(this);
    // Lets the window's checks tell what a text inside a group is drawn on.
    m_group->setObjectName(QStringLiteral("formGroup"));
    m_rows = new QVBoxLayout(m_group);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(1);
    layout->addWidget(m_group);
    m_footer = new QLabel(this);
    m_footer->setWordWrap(true);
    m_footer->setContentsMargins(4, 0, 0, 0);
    m_footer->hide();
    layout->addWidget(m_footer);
    applyColours();
}

QWidget* FormSection::addRow(const QString& label, QWidget* control)
{
    auto* row = new QWidget(m_group);
    row->setMinimumHeight(kRowMinimumHeight);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(14, 6, 12, 6);
    layout->setSpacing(12);
    auto* text = new QLabel(label, row);
    text->setBuddy(control);
    layout->addWidget(text, 1);
    layout->addWidget(control, 0, Qt::AlignRight | Qt::AlignVCenter);
    if (control->accessibleName().isEmpty())
        control->setAccessibleName(label);
    m_rows->addWidget(row);
    return row;
}

QWidget* FormSection::addStackedRow(const QString& label, QWidget* control)
{
    auto* row = new QWidget(m_group);
    row->setMinimumHeight(kRowMinimumHeight);
    auto* layout = new QVBoxLayout(row);
    layout->setContentsMargins(14, 10, 12, 10);
    layout->setSpacing(8);
    auto* text = new QLabel(label, row);
    text->setBuddy(control);
    layout->addWidget(text);
    layout->addWidget(control, 0, Qt::AlignLeft);
    if (control->accessibleName().isEmpty())
        control->setAccessibleName(label);
    m_rows->addWidget(row);
    return row;
}

QWidget* FormSection::addWidget(QWidget* widget)
{
    auto* row = new QWidget(m_group);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(widget);
    m_rows->addWidget(row);
    return row;
}

void FormSection::setFooter(const QString& text, bool isError)
{
    m_footer->setText(text);
    m_footer->setVisible(!text.isEmpty());
    if (isError != m_footerIsError) {
        m_footerIsError = isError;
        applyColours();
    }
}

void FormSection::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        applyColours();
    QWidget::changeEvent(event);
}

void FormSection::applyColours()
{
    // Header and footer are set in the secondary colour of whatever palette the window has now.
    const QColor window = palette().color(QPalette::Window);
    for (QLabel* label : {m_headerLabel, m_footer}) {
        if (!label)
            continue;
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText,
            label == m_footer && m_footerIsError ? SettingsColors::errorText(window)
                                                 : SettingsColors::secondaryText(palette()));
        label->setPalette(colours);
    }
}
