#include "VantorShared/Panels/PopoverSurface.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/StablePopoverMaterial.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QPainter>

PopoverSurface::PopoverSurface(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground, false);
}

void PopoverSurface::setBackground(std::optional<QString> background)
{
    if (m_background == background)
        return;
    m_background = std::move(background);
    update();
}

void PopoverSurface::setBlendsWithinWindow(bool blends)
{
    m_blendsWithinWindow = blends;
    update();
}

bool PopoverSurface::isTranslucent(const std::optional<QString>& background)
{
    return background.value_or(QString()) != QLatin1String("opaque");
}

QString PopoverSurface::effectiveBackground() const
{
    if (m_background)
        return *m_background;
    return SharedSettings::store()
        .stringForKey(SharedSettings::Key::popoverBackground)
        .value_or(QStringLiteral("translucent"));
}

void PopoverSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool dark = PanelEnvironment::of(this).dark;
    if (!m_blendsWithinWindow)
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (!isTranslucent(effectiveBackground())) {
        painter.fillRect(rect(), PanelColors::opaqueBackground(dark));
        return;
    }
    // The material with a faint dark veil over it, as one colour: laying one colour over another
    // gives a colour again, and one fill of the parts that repaint costs half of two.
    painter.fillRect(rect(), veiled(StablePopoverMaterial::fill(dark, StablePopoverMaterial::translucencyAvailable())));
}

QColor PopoverSurface::veiled(const QColor& material)
{
    constexpr float veil = 0.07f;
    const float alpha = veil + material.alphaF() * (1 - veil);
    if (alpha <= 0)
        return QColor::fromRgbF(0, 0, 0, 0);
    // Straight (not premultiplied) components of black at `veil` over `material`.
    const auto channel = [&](float value) { return value * material.alphaF() * (1 - veil) / alpha; };
    return QColor::fromRgbF(channel(material.redF()), channel(material.greenF()), channel(material.blueF()), alpha);
}
