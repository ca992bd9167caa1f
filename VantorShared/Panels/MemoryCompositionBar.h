#pragma once

#include <QWidget>

#include <array>

// The stacked bar of memory: wired, active and compressed from the leading edge, the rest as
// track. The available share only enters through the total, so free memory shows as track.
class MemoryCompositionBar : public QWidget {
    Q_OBJECT
public:
    explicit MemoryCompositionBar(QWidget* parent = nullptr);

    void setFractions(double wired, double active, double compressed, double available);

    // The widths of wired, active, compressed and the remaining track in a bar `width` wide.
    static std::array<double, 4> segmentWidths(
        double wired, double active, double compressed, double available, double width);

    QSize sizeHint() const override { return {100, 8}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<double, 4> m_fractions {0, 0, 0, 1};
};
