#include "Vantor/Pages/PopoversPage.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/ChoiceTile.h"
#include "Vantor/Pages/FormSection.h"
#include "Vantor/Pages/GroupedForm.h"
#include "Vantor/Pages/SettingsColors.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

using SharedSettings::Key::popoverAppearance;
using SharedSettings::Key::popoverBackground;

QString stored(const QString& key, const QString& fallback)
{
    return SharedSettings::store().stringForKey(key).value_or(fallback);
}

QString background()
{
    return stored(popoverBackground, QStringLiteral("translucent"));
}

QWidget* tileRow(const QList<QPair<QString, ChoiceTile*>>& tiles)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    for (const auto& entry : tiles)
        layout->addWidget(entry.second);
    return row;
}

} // namespace

PopoversPage::PopoversPage(QWidget* parent)
    : QWidget(parent)
{
    using PanelMiniature::Scheme;
    auto tile = [this](const QString& title, const QString& key, const QString& value, ChoiceTile::Content content) {
        auto* tile = new ChoiceTile(title, std::move(content));
        connect(tile, &ChoiceTile::clicked, this, [key, value] { SharedSettings::store().setString(key, value); });
        return tile;
    };
    auto miniature = [](Scheme scheme) {
        return [scheme](QPainter& painter, const QRectF& frame) {
            PanelMiniature::paint(painter, frame, scheme, background());
        };
    };

    m_appearance = {
        {QStringLiteral("light"),
            tile(AppLanguage::string(QStringLiteral("Light")), popoverAppearance, QStringLiteral("light"),
                miniature(Scheme::light))},
        {QStringLiteral("dark"),
            tile(AppLanguage::string(QStringLiteral("Dark")), popoverAppearance, QStringLiteral("dark"),
                miniature(Scheme::dark))},
        {QStringLiteral("system"),
            tile(AppLanguage::string(QStringLiteral("System")), popoverAppearance, QStringLiteral("system"),
                [](QPainter& painter, const QRectF& frame) {
                    PanelMiniature::paint(painter, frame, Scheme::light, background());
                    painter.save();
                    painter.setClipPath(PanelMiniature::lowerRightHalf(frame), Qt::IntersectClip);
                    PanelMiniature::paint(painter, frame, Scheme::dark, background());
                    painter.restore();
                })},
    };
    for (const QString& value : {QStringLiteral("translucent"), QStringLiteral("opaque")}) {
        const QString title = value == QLatin1String("opaque") ? AppLanguage::string(QStringLiteral("Opaque"))
                                                               : AppLanguage::string(QStringLiteral("Translucent"));
        m_background.append(
            {value, tile(title, popoverBackground, value, [this, value](QPainter& painter, const QRectF& frame) {
                 PanelMiniature::paint(painter, frame, previewScheme(), value);
             })});
    }

    auto* form = new GroupedForm;
    FormSection* looks = form->addSection();
    looks->addStackedRow(AppLanguage::string(QStringLiteral("Appearance")), tileRow(m_appearance));
    looks->addStackedRow(AppLanguage::string(QStringLiteral("Background")), tileRow(m_background));

    FormSection* themes = form->addSection();
    auto* soon = new QLabel(AppLanguage::string(QStringLiteral("Coming soon")));
    QPalette colours = soon->palette();
    colours.setColor(
        QPalette::WindowText, SettingsColors::secondaryText(palette(), SettingsColors::groupBackground(palette())));
    soon->setPalette(colours);
    themes->addRow(AppLanguage::string(QStringLiteral("Themes")), soon);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(form);

    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, &PopoversPage::refresh);
    refresh();
}

ChoiceTile* PopoversPage::appearanceTile(const QString& value) const
{
    for (const auto& [candidate, tile] : m_appearance)
        if (candidate == value)
            return tile;
    return nullptr;
}

ChoiceTile* PopoversPage::backgroundTile(const QString& value) const
{
    for (const auto& [candidate, tile] : m_background)
        if (candidate == value)
            return tile;
    return nullptr;
}

PanelMiniature::Scheme PopoversPage::windowScheme() const
{
    return SettingsColors::isDark(palette()) ? PanelMiniature::Scheme::dark : PanelMiniature::Scheme::light;
}

PanelMiniature::Scheme PopoversPage::previewScheme() const
{
    const QString appearance = stored(popoverAppearance, QStringLiteral("system"));
    if (appearance == QLatin1String("light"))
        return PanelMiniature::Scheme::light;
    if (appearance == QLatin1String("dark"))
        return PanelMiniature::Scheme::dark;
    return windowScheme();
}

void PopoversPage::refresh()
{
    const QString appearance = stored(popoverAppearance, QStringLiteral("system"));
    const QString chosenBackground = background();
    for (const auto& [value, tile] : m_appearance) {
        tile->setSelected(value == appearance);
        tile->update();
    }
    for (const auto& [value, tile] : m_background) {
        tile->setSelected(value == chosenBackground);
        tile->update();
    }
}

void PopoversPage::changeEvent(QEvent* event)
{
    // The background tiles follow the window between light and dark.
    if (event->type() == QEvent::PaletteChange)
        refresh();
    QWidget::changeEvent(event);
}
