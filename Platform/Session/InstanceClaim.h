#pragma once

#include <QObject>
#include <QString>

#include <optional>

// Being the one running instance of a program in a session. With a session bus, the instance is
// whoever owns a well-known name there: the bus hands a name to exactly one connection, so two
// copies that start at the same moment can never both win, however they were started. Without a
// bus, a lock file held for the life of the process plays the same part. Either way the claim ends
// with the process, so a crash never leaves a stale claim behind.
class InstanceClaim : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        owned, // this process is the instance
        heldElsewhere, // another process is; holderPid() names it when it can be learned
        failed, // neither the name nor the lock could be asked for; problem() says why
    };

    // `busName` is claimed when this process has a session bus; `lockPath` (created 0600, never
    // through a link) when it has none.
    InstanceClaim(QString busName, QString lockPath, QObject* parent = nullptr);
    ~InstanceClaim() override;
    InstanceClaim(const InstanceClaim&) = delete;
    InstanceClaim& operator=(const InstanceClaim&) = delete;

    Outcome claim();
    bool viaBus() const { return m_viaBus; }
    std::optional<qint64> holderPid() const { return m_holderPid; }
    QString problem() const { return m_problem; }

    // Whether some process holds the claim now, without taking it: the name's owner on this
    // process's session bus, else the lock. The holder's pid when it can be learned.
    static bool isHeld(const QString& busName, const QString& lockPath, std::optional<qint64>* holder = nullptr);

    // The executable of a process, for the log; empty when it cannot be read.
    static QString programOf(qint64 pid);

signals:
    // The bus took the name away (or the bus went away): this process is no longer the instance.
    void lost();

private:
    Outcome claimName();
    Outcome claimLock();

    QString m_busName;
    QString m_lockPath;
    bool m_viaBus = false;
    bool m_owned = false;
    int m_lockFd = -1;
    std::optional<qint64> m_holderPid;
    QString m_problem;
};
