#pragma once

#include "VantorShared/Panels/PopoverSurface.h"

#include <QList>
#include <QPointer>

#include <functional>

class MachineDetailView;
class MachineRow;
class MachinesMonitor;
class QLabel;
class QScrollArea;
class QVBoxLayout;

// The machines popover: every machine the server knows, attention first, or why the server gave no
// answer; a click on a machine shows that machine's own panel over the last hour, with a way
// back to the list.
class MachinesPanel : public PopoverSurface {
    Q_OBJECT
public:
    static constexpr int panelWidth = 300;

    // `maximumHeight` bounds the list, which scrolls beyond it.
    MachinesPanel(MachinesMonitor& monitor, int maximumHeight, QWidget* parent = nullptr);
    ~MachinesPanel() override;

    void refresh();
    const QList<MachineRow*>& rows() const { return m_rows; }
    // The text under the header: the error in words, "No machines found", or empty.
    QString statusText() const;
    // Shows one machine's panel; the list again with an empty instance.
    void showMachine(const QString& instance);
    MachineDetailView* detailView() const { return m_detail; }

signals:
    // The panel changed its size.
    void resized();

private:
    void fitHeight();
    void dropDetail();

    MachinesMonitor& m_monitor;
    int m_maximumHeight;
    bool m_dark = false;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_listPage = nullptr;
    QLabel* m_status = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_list = nullptr;
    QVBoxLayout* m_listLayout = nullptr;
    QList<MachineRow*> m_rows;
    MachineDetailView* m_detail = nullptr;
};
