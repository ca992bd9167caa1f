#pragma once

#include "VantorAgent/Sampling/ProcessMetric.h"
#include "VantorShared/Panels/LineText.h"

#include <QString>
#include <QWidget>

class ProcessIcon;

// A busy process: its application icon, its name (cut short when long), and a figure at the
// trailing edge. A second figure, when set, gets a column of its own (the disk list shows read
// and write side by side).
class ProcessMetricRow : public QWidget {
    Q_OBJECT
public:
    explicit ProcessMetricRow(QWidget* parent = nullptr);

    void setProcess(const ProcessMetric& process, const QString& value, const QString& secondValue = {});
    const ProcessMetric& process() const { return m_process; }
    const QString& value() const { return m_value; }
    ProcessIcon* icon() const { return m_icon; }

    static constexpr int columnWidth = 62;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ProcessMetric m_process;
    QString m_value;
    QString m_secondValue;
    ProcessIcon* m_icon;
    LineText m_nameLine;
    LineText m_valueLine;
    LineText m_secondLine;
};
