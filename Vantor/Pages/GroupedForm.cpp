#include "Vantor/Pages/GroupedForm.h"

#include "Vantor/Pages/FormSection.h"

#include <QVBoxLayout>

GroupedForm::GroupedForm(QWidget* parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab goes from control to control (scrolling each into view), never to the nameless page.
    setFocusPolicy(Qt::NoFocus);
    auto* content = new QWidget;
    content->setBackgroundRole(QPalette::Window);
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(20, 18, 20, 20);
    m_column->setSpacing(18);
    m_column->addStretch(1);
    setWidget(content);
    viewport()->setBackgroundRole(QPalette::Window);
}

FormSection* GroupedForm::addSection(const QString& header)
{
    return addSection(new FormSection(header));
}

FormSection* GroupedForm::addSection(FormSection* section)
{
    addWidget(section);
    return section;
}

void GroupedForm::addWidget(QWidget* widget)
{
    // Before the closing stretch, so the sections stay at the top.
    m_column->insertWidget(m_column->count() - 1, widget);
}
