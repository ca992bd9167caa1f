#include "Vantor/Updates/UpdateOfferRow.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Updates/UpdateInstallation.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Meters/SymbolImages.h"
#include "VantorShared/Policies/BundleVersion.h"
#include "VantorShared/Policies/UpdateOffer.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The package that installs Vantor system-wide.
const QString kPackageName = QStringLiteral("vantor");
constexpr double kSymbolPoints = 20.0;

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
    auto* title = new QLabel(AppLanguage::string(QStringLiteral("Update available")), row);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    m_offerLabel = new QLabel(row);
    QFont captionFont = m_offerLabel->font();
    captionFont.setPointSizeF(std::max(7.0, captionFont.pointSizeF() * 0.85));
    m_offerLabel->setFont(captionFont);
    m_offerLabel->setForegroundRole(QPalette::PlaceholderText);
    for (QLabel* label : {title, m_offerLabel}) {
        // One line each, and allowed to shrink: a narrow sidebar clips the text, not the button.
        label->setWordWrap(false);
        label->setMinimumWidth(0);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        texts->addWidget(label);
    }
    line->addLayout(texts, 1);

    m_install = new QPushButton(AppLanguage::string(QStringLiteral("Install")), row);
    m_install->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(
        m_install, &QPushButton::clicked, this, [] { SharedSettings::post(SharedSettings::Signal::checkForUpdates); });
    line->addWidget(m_install);

    auto* divider = new QFrame(m_content);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    column->addWidget(row);
    column->addWidget(divider);
    outer->addWidget(m_content);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    updateSymbol();
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
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        updateSymbol();
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
