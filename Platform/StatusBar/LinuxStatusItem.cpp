#include "Platform/StatusBar/LinuxStatusItem.h"

#include "Platform/StatusBar/LinuxStatusBar.h"
#include "Platform/StatusBar/StatusItemWindow.h"

LinuxStatusItem::LinuxStatusItem(LinuxStatusBar& bar, double length, quint64 serial)
    : m_bar(bar)
    , m_length(length)
    , m_serial(serial)
    , m_window(std::make_unique<StatusItemWindow>())
{
    m_window->setContentLength(length);
}

LinuxStatusItem::~LinuxStatusItem() = default;

void LinuxStatusItem::setLength(double length)
{
    if (length == m_length)
        return;
    m_length = length;
    m_window->setContentLength(length);
    m_bar.layOut();
}

void LinuxStatusItem::setAutosaveName(const QString& name)
{
    if (name == m_autosaveName)
        return;
    m_autosaveName = name;
    m_bar.layOut();
}

StatusBarButton* LinuxStatusItem::button() const
{
    return m_window->button();
}
