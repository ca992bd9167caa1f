#pragma once

#include <QColor>
#include <QWidget>

#include <optional>

// A thin bar: a rounded track with a fill from the leading edge in proportion to `value`. It takes
// the width its parent gives; the parent sets the height (4 unless told).
class MetricProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit MetricProgressBar(
        double value = 0, std::optional<QColor> fillColor = std::nullopt, QWidget* parent = nullptr);

    double value() const { return m_value; }
    void setValue(double value);
    void setFillColor(std::optional<QColor> color);

    // The width of the fill in a bar `width` wide: the value clamped to 0…1 (not a number: 0).
    static double fillWidth(double value, double width);

    QSize sizeHint() const override { return {100, 4}; }
    QSize minimumSizeHint() const override { return {0, 2}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_value;
    std::optional<QColor> m_fillColor;
};
