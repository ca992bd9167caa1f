#include "VantorShared/Panels/StablePopoverMaterial.h"

#include "Platform/Popover/Compositor.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"

#include <QPainter>

namespace {

std::optional<bool>& translucencyOverride()
{
    static std::optional<bool> value;
    return value;
}

} // namespace

StablePopoverMaterial::StablePopoverMaterial(bool blendsWithinWindow, QWidget* parent)
    : QWidget(parent)
    , m_blendsWithinWindow(blendsWithinWindow)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QColor StablePopoverMaterial::fill(bool dark, bool translucencyAvailable)
{
    if (!translucencyAvailable)
        return PanelColors::opaqueBackground(dark);
    return dark ? QColor::fromRgbF(0.16f, 0.16f, 0.17f, 0.80f) : QColor::fromRgbF(0.95f, 0.95f, 0.96f, 0.78f);
}

bool StablePopoverMaterial::translucencyAvailable()
{
    if (translucencyOverride())
        return *translucencyOverride();
    // Asked once: a compositor that starts or stops later is picked up by the next agent start.
    static const bool running = Compositor::isRunning();
    return running;
}

void StablePopoverMaterial::overrideTranslucency(std::optional<bool> available)
{
    translucencyOverride() = available;
}

void StablePopoverMaterial::paint(QPainter& painter, const QRectF& rect, bool dark)
{
    painter.fillRect(rect, fill(dark, translucencyAvailable()));
}

void StablePopoverMaterial::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Within a window the material is laid over the window's own content; behind the window it
    // replaces the pixels, so the desktop shows through.
    if (!m_blendsWithinWindow)
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    paint(painter, rect(), PanelEnvironment::of(this).dark);
}
