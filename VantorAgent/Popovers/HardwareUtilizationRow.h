#pragma once

#include "VantorShared/Panels/LineText.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <optional>

class MetricProgressBar;

// A utilisation line: the title in a 44-point column, a bar in the row's colour, and the value as
// a whole-number percent ("—" when unknown) in a 34-point column.
class HardwareUtilizationRow : public QWidget {
    Q_OBJECT
public:
    HardwareUtilizationRow(QString title, QColor color, QWidget* parent = nullptr);

    void setValue(std::optional<double> fraction);
    const QString& title() const { return m_title; }
    const QString& valueText() const { return m_valueText; }
    // The text for a value: its whole percent, or "—".
    static QString text(std::optional<double> fraction);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Where the figure is drawn: the trailing column.
    QRect valueRect() const;
    QString m_title;
    QString m_valueText;
    MetricProgressBar* m_bar;
    LineText m_titleLine;
    LineText m_valueLine;
};
