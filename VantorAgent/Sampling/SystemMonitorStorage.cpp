// The storage domain of the sampling engine.
#include "VantorAgent/Sampling/SystemMonitor.h"

#include "Platform/Storage/RootVolume.h"
#include "VantorShared/Language/AppLanguage.h"

#include <QPointer>

QString SystemMonitor::genericVolumeName()
{
    return AppLanguage::string(QStringLiteral("File System"));
}

void SystemMonitor::refreshStorage()
{
    auto query = m_sources.storageQuery;
    if (!query) {
        const QString procRoot = m_sources.procRoot;
        query = [procRoot] { return RootVolume::query(QStringLiteral("/"), procRoot); };
    }
    QPointer<SystemMonitor> self(this);
    // A query already under way is not doubled: start() refuses while one runs.
    m_storageRefreshTask.start([query = std::move(query), self]() -> BackgroundJob::Apply {
        const std::optional<VolumeInfo> volume = query();
        return [volume, self]() {
            if (!self || !volume)
                return;
            self->assign(self->m_totalStorage, volume->total, storageChange);
            self->assign(self->m_availableStorage, volume->available, storageChange);
            const QString name = volume->name && !volume->name->isEmpty() ? *volume->name : genericVolumeName();
            self->assign(self->m_volumeName, name, storageChange);
            self->flushChanges();
        };
    });
}
