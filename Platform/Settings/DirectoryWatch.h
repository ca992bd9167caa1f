#pragma once

#include <QObject>
#include <QStringList>

#include <vector>

class QSocketNotifier;

// Tells a preferences domain when its file may have changed, from the kernel (inotify) rather than
// by asking on every read. Watches the folders that hold the file (and its link target) and
// reports any event about those names: a replacement by rename, an edit in place, a removal, a
// change of permissions, or lost events.
class DirectoryWatch : public QObject {
    Q_OBJECT
public:
    explicit DirectoryWatch(QObject* parent = nullptr);
    ~DirectoryWatch() override;

    // Watches `names` inside `directories` (pairs by index), replacing earlier watches; false when
    // the kernel would not watch them (a missing folder, no inotify), and the caller must then ask.
    bool watch(const QStringList& directories, const QStringList& names);
    bool isWatching() const { return m_watching; }

    // Whether events arrive by themselves: a running event loop on this object's thread delivers
    // them through changed(). Otherwise the owner calls poll() before trusting what it has.
    bool deliversByItself();
    // Reads whatever events are queued, without blocking; true when one concerns a watched name.
    bool poll();

signals:
    void changed();

private:
    // Creates the notifier once an application exists; true when it was created just now.
    bool ensureNotifier();
    void forgetWatches();

    struct Entry {
        int descriptor;
        QString directory;
        QByteArray name;
    };
    int m_fd = -1;
    bool m_watching = false;
    std::vector<Entry> m_entries;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_buffer;
};
