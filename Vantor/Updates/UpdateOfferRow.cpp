#include "Vantor/Updates/UpdateOfferRow.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Updates/UpdateInstallation.h"
#include "Vantor/Pages/SettingsColors.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Meters/SymbolImages.h"
#include "VantorShared/Policies/BundleVersion.h"
#include "VantorShared/Policies/UpdateOffer.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The package that installs Vantor system-wide.
const QString kPackageName = QStringLiteral("vantor");
constexpr double kSymbolPoints = 20.0;

// One line of text that gives way to a narrow sidebar by ending in "…" instead of being cut.
class ElidedLabel final : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        const QRect area = contentsRect();
        painter.drawText(
            area, Qt::AlignLeft | Qt::AlignVCenter, fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }
};

} // namespace

UpdateOfferRow::UpdateOfferRow(QWidget* parent)
    : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    m_content = new QWidget(this);
    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* row = new QWidget(m_content);
    row->setFixedHeight(52);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(10, 0, 10, 0);
    line->setSpacing(8);

    m_symbol = new QLabel(row);
    line->addWidget(m_symbol);

    auto* texts = new QVBoxLayout();
    texts->setSpacing(0);
    auto* title = new ElidedLabel(AppLanguage::string(QStringLiteral("Update available")), row);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    m_offerLabel = new ElidedLabel(row);
    QFont captionFont = m_offerLabel->font();
    captionFont.setPointSizeF(std::max(7.0, captionFont.pointSizeF() * 0.85));
    m_offerLabel->setFont(captionFont);
    for (QLabel* label : {static_cast<QLabel*>(title), m_offerLabel}) {
        // A narrow sidebar shortens the texts, never the button.
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        texts->addWidget(label);
    }
    line->addLayout(texts, 1);

    // A tool button is the small bordered kind: as wide as its text, not a dialog button's width.
    m_install = new QToolButton(row);
    m_install->setText(AppLanguage::string(QStringLiteral("Install")));
    m_install->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_install->setAutoRaise(false);
    m_install->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(
        m_install, &QToolButton::clicked, this, [] { SharedSettings::post(SharedSettings::Signal::checkForUpdates); });
    line->addWidget(m_install);

    auto* divider = new QFrame(m_content);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    column->addWidget(row);
    column->addWidget(divider);
    outer->addWidget(m_content);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    updateSymbol();
    applyColours();
    m_content->hide();
}

UpdateOfferRow::~UpdateOfferRow() = default;

void UpdateOfferRow::read()
{
    const auto stored = SharedSettings::store().stringForKey(SharedSettings::Key::updatesAvailable);
    if (!stored || UpdateOffer::isSpent(*stored, BundleVersion::text()))
        m_offer.reset();
    else
        m_offer = *stored;
    m_offerLabel->setText(m_offer.value_or(QString()));
    m_content->setVisible(m_offer.has_value());
    updateGeometry();
}

void UpdateOfferRow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_listening)
        return;
    m_listening = true;
    QPointer<UpdateOfferRow> self(this);
    m_signals.listen(SharedSettings::Signal::updateAvailable, [self] {
        if (self)
            self->read();
    });
    QTimer::singleShot(0, this, &UpdateOfferRow::read);
}

void UpdateOfferRow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        updateSymbol();
        applyColours();
    }
}

void UpdateOfferRow::applyColours()
{
    // The offer is small print on the sidebar's fill; it still has to read.
    QPalette colours = m_offerLabel->palette();
    colours.setColor(
        QPalette::WindowText, SettingsColors::secondaryText(palette(), SettingsColors::sidebarFill(palette())));
    m_offerLabel->setPalette(colours);
}

void UpdateOfferRow::updateSymbol()
{
    const double scale = devicePixelRatioF();
    m_symbol->setPixmap(QPixmap::fromImage(SymbolImages::render(
        QStringLiteral("arrow.down.circle.fill"), kSymbolPoints, QColor(0x34, 0xc7, 0x59), scale)));
}

QString UpdateOfferRow::installationNote(const QString& appBundlePath)
{
    const QString path = appBundlePath.isEmpty() ? Bundle::main().path() : appBundlePath;
    if (UpdateInstallation::isFromPackage(path, kPackageName))
        return AppLanguage::string(QStringLiteral("Vantor is updated by your package manager."));
    if (UpdateInstallation::reasonNotToUpdate(path, kPackageName))
        return AppLanguage::string(QStringLiteral("Vantor is updated by your system administrator."));
    return {};
}
