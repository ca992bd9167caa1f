#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QRgb>
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
    // Lays the line of `values` over `image` (premultiplied ARGB) within `canvas` (in the image's
    // pixels), `width` pixels thick, in `color` (premultiplied): x spreads the values over the
    // width, y rises from the bottom by value / scale (when the scale exceeds 1), clamped to the
    // canvas. Drawn column by column with smooth edges; nothing for fewer than two values.
    static void drawLine(
        QImage& image, const QRectF& canvas, const QList<double>& values, double scale, QRgb color, double width);

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The plate and the caption, drawn again only when the caption, size or appearance changes.
    const QImage& backdrop(double peak, bool dark);

    std::array<QList<double>, 3> m_histories;
    int m_coreCount = 0;
    QImage m_backdrop;
    // The backdrop with the lines, made anew each paint.
    QImage m_frame;
    QString m_backdropCaption;
    bool m_backdropDark = false;
    // The inputs the caption was written from.
    double m_captionPeak = -1;
    int m_captionCores = -1;
    QString m_captionLanguage;
    QString m_caption;
};
