#include "VantorShared/Panels/DenseSection.h"

#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"

#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include <cmath>

DenseSection::DenseSection(std::optional<QString> title, QWidget* parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
{
    m_layout->setAlignment(Qt::AlignTop);
    if (title) {
        m_title = new QLabel(heading(*title, AppLanguage::code()), this);
        m_title->setFont(PanelFonts::text(10, QFont::DemiBold));
        m_title->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_layout->addWidget(m_title);
    }
    applyEnvironment();
}

QString DenseSection::heading(const QString& title, const QString& languageCode)
{
    // Headings are drawn in capitals. The translated text is capitalised through the language's
    // own rules, so accents and special letters stay (MÉMOIRE, not MEMOIRE).
    return QLocale(languageCode).toUpper(title);
}

void DenseSection::addRow(QWidget* row)
{
    m_layout->addWidget(row);
}

bool DenseSection::event(QEvent* event)
{
    if (event->type() == PanelEnvironment::changeType() || event->type() == QEvent::ParentChange)
        applyEnvironment();
    return QWidget::event(event);
}

void DenseSection::applyEnvironment()
{
    const PanelEnvironment environment = PanelEnvironment::of(this);
    const int padding = int(std::lround(environment.metrics.sectionPadding));
    m_layout->setContentsMargins(12, padding, 12, padding);
    m_layout->setSpacing(int(std::lround(environment.metrics.rowSpacing)));
    if (m_title) {
        QPalette palette = m_title->palette();
        palette.setColor(QPalette::WindowText, PanelColors::headerBlue(environment.dark));
        m_title->setPalette(palette);
    }
}
