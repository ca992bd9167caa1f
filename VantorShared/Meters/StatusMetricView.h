#pragma once

#include "VantorShared/Meters/MenuBarReadings.h"
#include "VantorShared/System/MonitorSection.h"

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QSizeF>
#include <QStaticText>
#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

class QPainter;

// One menu bar meter: the compact picture of a section inside a status item. The agent puts one
// into every status item's button; the settings app draws the same views in its preview.
//
// The view reads its numbers through MenuBarReadings, held weakly, and its appearance choices
// from a snapshot of the shared store that is taken again whenever the store changed, so a
// settings change shows at the next repaint without rebuilding anything. The static operations
// answer how wide an item must be before anything is drawn.
//
// What does not change between paints (outlines, fixed letters, symbols, the readout's layout) is
// drawn once and then copied, and an unchanged meter answers its signature from the last cycle,
// so a cycle in which nothing visible changed allocates nothing.
//
// All geometry is in points with the origin at the bottom left and y growing upward, the way the
// meters were designed; painting converts to the widget's top-left origin.
class StatusMetricView : public QWidget {
    Q_OBJECT
public:
    enum class Appearance { light, dark };

    StatusMetricView(const QRect& frame, MonitorSection section, QWidget* parent = nullptr);
    ~StatusMetricView() override;

    MonitorSection section() const { return m_section; }
    MenuBarReadings* readings() const { return m_readings; }
    void setReadings(MenuBarReadings* readings);

    // Changes exactly when the picture would change at the meter's resolution; empty without
    // readings. It leaves out appearance settings: whoever changes those repaints on its own.
    QString drawSignature() const;

    // Light or dark, from the palette the view inherits from its window.
    Appearance effectiveAppearance() const;

    // Layout of a section's item, from the store's settings.
    static double itemWidth(MonitorSection section);
    static QSizeF iconSize(MonitorSection section);
    static double labelWidth(MonitorSection section);
    static double meterSideGap(MonitorSection section);
    static double cpuReadoutWidth();
    static double cpuBarsMeterWidth(int coreCount);

    // Readout texts.
    static QString percentText(double fraction);
    static std::optional<QString> bytesText(std::optional<double> bytes);
    static std::optional<QString> cpuReadoutText(const MenuBarReadings& readings);
    static std::optional<QString> memoryReadoutText(const MenuBarReadings& readings);
    static std::optional<QString> storageReadoutText(const MenuBarReadings& readings);
    static std::optional<QString> sensorsReadoutText(const MenuBarReadings& readings);

    // The three stacked letters and the spoken name of a section.
    static QString letters(MonitorSection section);
    static QString accessibilityText(MonitorSection section);

    static QColor primaryLabelColor(Appearance appearance);
    // The meters' outline, the same in light and dark.
    static QColor borderColor();

    // Draw bars for this many cores instead of the machine's (0: the machine's again), for tests
    // and sample pictures that must look the same on every machine.
    static void overrideCoreCount(int count);
    // For tests: forget the class-wide caches (symbol sizes depend on the bundle a test uses).
    static void resetCachesForTesting();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Canvas;

    void draw(QPainter& painter, const MenuBarReadings& readings) const;
    void drawVertical(Canvas& canvas, const QString& text, double x) const;
    void drawSectionIcon(Canvas& canvas) const;
    double drawSensorIcon(Canvas& canvas, double x) const;
    double drawSymbol(Canvas& canvas, MonitorSection owner, double x) const;
    double drawCPUMeter(Canvas& canvas, const MenuBarReadings& readings, double originX) const;
    double drawGauge(Canvas& canvas, double usage, const QColor& color, double originX) const;
    void drawCoreBars(Canvas& canvas, const MenuBarReadings& readings, const QRectF& frame) const;
    void drawWave(Canvas& canvas, const QList<double>& history, const QRectF& frame) const;
    void strokeFrame(Canvas& canvas, const QRectF& frame, double square, double pill) const;
    void fill(Canvas& canvas, const QRectF& rect, const QColor& color) const;
    void drawReadout(Canvas& canvas, const QString& text, double x) const;
    void collectSignatureInputs(const MenuBarReadings& readings, std::vector<qint64>& inputs) const;
    QString signatureText(const MenuBarReadings& readings) const;

    MonitorSection m_section;
    QPointer<MenuBarReadings> m_readings;
    // The last signature and the numbers it was made from; buffers kept between cycles.
    mutable QString m_signature;
    mutable std::vector<qint64> m_signatureInputs;
    mutable std::vector<qint64> m_nextSignatureInputs;
    // The readout's recent texts, laid out: a reading wanders among a few values ("12%",
    // "13%"), so most repaints find theirs here instead of shaping it again. Most recent first;
    // all made with m_readoutFont.
    static constexpr size_t readoutLayoutCount = 6;
    mutable std::array<QStaticText, readoutLayoutCount> m_readoutLayouts;
    mutable QFont m_readoutFont;
};
