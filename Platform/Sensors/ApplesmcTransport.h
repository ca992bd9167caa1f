#pragma once

#include "Platform/Kernel/ProcFile.h"
#include "Platform/Sensors/SMCTransport.h"

#include <QHash>
#include <QString>

#include <vector>

// The controller of a Mac running Linux, through the applesmc driver's key files
// (<sysRoot>/devices/platform/applesmc.768/key_*). The driver shows one key at a time, chosen by
// a single global cursor (key_at_index) that only root may move. The name → index table is built
// once, on first use; a read by name moves the cursor to the key's index and reads its bytes.
//
// For an ordinary user the cursor is not writable: the hwmon bridge then serves the same chip,
// under the controller's key names, which the driver gives as its temperature labels.
class ApplesmcTransport : public SMCTransport {
public:
    explicit ApplesmcTransport(const QString& sysRoot = QStringLiteral("/sys"));
    ~ApplesmcTransport() override;

    // The driver's device directory under `sysRoot`.
    static QString devicePath(const QString& sysRoot);
    static bool isPresent(const QString& sysRoot);
    // This process may move the cursor.
    static bool cursorWritable(const QString& sysRoot);

    // Keys in the table (built now if it is not yet).
    int keyCount();

protected:
    std::optional<quint32> keyAtIndex(quint32 index) override;
    std::optional<SMCKeyData::KeyInfo> keyInformation(quint32 key) override;
    bool readBytes(quint32 key, quint32 size, quint32 type, quint8* bytes) override;

    // Moves the cursor to `index`; the key_at_index_* files then describe that key.
    virtual bool selectIndex(quint32 index);

private:
    struct Entry {
        quint32 key = 0;
        quint32 type = 0;
        quint32 size = 0;
        quint32 index = 0; // where the cursor finds it
    };
    void buildTable();

    QString m_path;
    int m_cursor = -1;
    bool m_built = false;
    std::vector<Entry> m_entries;
    QHash<quint32, size_t> m_positionOf;
    ProcFile m_data;
};
