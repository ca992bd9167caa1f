#include "VantorAgent/Popovers/ProcessIcon.h"

#include "Platform/Desktop/DesktopApplications.h"
#include "Platform/Kernel/ProcessTable.h"
#include "VantorShared/Meters/SymbolImages.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QPainter>

#include <limits>
#include <memory>

namespace {

struct IconSources {
    QString procRoot = QStringLiteral("/proc");
    std::unique_ptr<DesktopApplications> applications;
    std::unique_ptr<ProcessTable> processes;
    QHash<QString, QIcon> byExecutable;
};

IconSources& sources()
{
    static IconSources shared;
    // Icons hold pixmaps, which must not outlive the application object; let go of them with it.
    static const bool cleared = [] {
        qAddPostRoutine([] { shared.byExecutable.clear(); });
        return true;
    }();
    Q_UNUSED(cleared);
    return shared;
}

QIcon loadIcon(const QString& nameOrPath)
{
    if (QFileInfo(nameOrPath).isAbsolute())
        return QFileInfo::exists(nameOrPath) ? QIcon(nameOrPath) : QIcon();
    return QIcon::fromTheme(nameOrPath);
}

} // namespace

ProcessIcon::ProcessIcon(qint64 pid, QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(14, 14);
    setPid(pid);
}

void ProcessIcon::setPid(qint64 pid)
{
    if (pid == m_pid && pid != 0)
        return;
    m_pid = pid;
    m_icon = iconFor(pid);
    update();
}

QIcon ProcessIcon::iconFor(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<qint32>::max())
        return {};
    IconSources& s = sources();
    if (!s.processes)
        s.processes = std::make_unique<ProcessTable>(s.procRoot);
    const std::optional<QString> executable = s.processes->executablePath(qint32(pid));
    if (!executable)
        return {};
    if (const auto cached = s.byExecutable.constFind(*executable); cached != s.byExecutable.constEnd())
        return *cached;
    if (!s.applications)
        s.applications = std::make_unique<DesktopApplications>();
    QIcon icon;
    if (const std::optional<QString> name = s.applications->iconFor(*executable))
        icon = loadIcon(*name);
    s.byExecutable.insert(*executable, icon);
    return icon;
}

void ProcessIcon::setSourcesForTesting(const QString& procRoot, const QStringList& dataDirs)
{
    IconSources& s = sources();
    s.procRoot = procRoot;
    s.processes = std::make_unique<ProcessTable>(procRoot);
    s.applications = std::make_unique<DesktopApplications>(dataDirs);
    s.byExecutable.clear();
}

void ProcessIcon::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_icon.isNull()) {
        m_icon.paint(&painter, rect());
        return;
    }
    const bool dark = PanelEnvironment::of(this).dark;
    const QImage symbol
        = SymbolImages::cached(QStringLiteral("terminal"), 11, PanelColors::secondaryLabel(dark), devicePixelRatioF());
    if (!symbol.isNull()) {
        const QSizeF size = symbol.deviceIndependentSize();
        painter.drawImage(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), symbol);
    }
}
