#include "Vantor/Pages/ItemHeader.h"

#include "Vantor/Pages/SettingsColors.h"
#include "VantorShared/Meters/SymbolImages.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

ItemHeader::ItemHeader(MonitorSection section, const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_section(section)
    , m_symbol(new QLabel(this))
    , m_title(new QLabel(title, this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_symbol);
    layout->addWidget(m_title);
    layout->addStretch(1);
    QFont font = m_title->font();
    font.setBold(true);
    m_title->setFont(font);
    setAccessibleName(title);
    paintSymbol();
}

void ItemHeader::paintSymbol()
{
    const double scale = devicePixelRatioF();
    const QImage image = SymbolImages::render(
        icon(m_section), 13, SettingsColors::headingBlue(SettingsColors::isDark(palette())), scale);
    m_symbol->setPixmap(QPixmap::fromImage(image));
}

void ItemHeader::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        paintSymbol();
    QWidget::changeEvent(event);
}
