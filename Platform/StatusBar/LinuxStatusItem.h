#pragma once

#include "Platform/StatusBar/StatusItem.h"

#include <memory>

class LinuxStatusBar;
class StatusItemWindow;

// An item of the Linux status bar: its own small window along the top edge of the screen.
class LinuxStatusItem : public StatusItem {
    Q_OBJECT
public:
    LinuxStatusItem(LinuxStatusBar& bar, double length, quint64 serial);
    ~LinuxStatusItem() override;

    double length() const override { return m_length; }
    void setLength(double length) override;
    QString autosaveName() const override { return m_autosaveName; }
    void setAutosaveName(const QString& name) override;
    StatusBarButton* button() const override;

    StatusItemWindow* window() const { return m_window.get(); }
    // Creation order; a later item goes further left among equals.
    quint64 serial() const { return m_serial; }

private:
    LinuxStatusBar& m_bar;
    double m_length;
    QString m_autosaveName;
    quint64 m_serial;
    std::unique_ptr<StatusItemWindow> m_window;
};
