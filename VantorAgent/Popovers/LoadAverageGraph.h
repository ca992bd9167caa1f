#pragma once

#include <QLineF>
#include <QList>
#include <QPixmap>
#include <QSizeF>
#include <QString>
#include <QWidget>

#include <array>

// The 1-, 5- and 15-minute load histories as three lines, scaled so that the machine's core count
// (or a higher peak) is the top, with a caption of the peak.
class LoadAverageGraph : public QWidget {
    Q_OBJECT
public:
    explicit LoadAverageGraph(QWidget* parent = nullptr);

    void setHistories(const QList<double>& one, const QList<double>& five, const QList<double>& fifteen, int coreCount);

    // The largest value of the three histories; 0 when they are empty.
    static double peak(const std::array<const QList<double>*, 3>& histories);
    // What a load is divided by: the peak, raised to the core count.
    static double scale(double peak, int coreCount);
    // The line of `values` in a canvas of `size` as segments into `out` (emptied first): x spreads
    // the values over the width, y rises from the bottom by value / scale (when the scale exceeds
    // 1), clamped to the canvas. A run of equal values is one segment. No segment for fewer than
    // two values.
    static void lineSegments(const QList<double>& values, const QSizeF& size, double scale, QList<QLineF>& out);

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The plate and the caption, drawn again only when the caption, size or appearance changes.
    const QPixmap& backdrop(double peak, bool dark);

    std::array<QList<double>, 3> m_histories;
    int m_coreCount = 0;
    QList<QLineF> m_segments;
    QPixmap m_backdrop;
    QString m_backdropCaption;
    bool m_backdropDark = false;
    // The inputs the caption was written from.
    double m_captionPeak = -1;
    int m_captionCores = -1;
    QString m_captionLanguage;
    QString m_caption;
};
