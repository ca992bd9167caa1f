#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

// A writable copy of a fixture tree from tests/data. Files are rewritten in place (same inode), as
// the kernel's files change under a reader that keeps them open.
class FixtureTree {
public:
    explicit FixtureTree(const QString& fixture = {})
    {
        if (fixture.isEmpty())
            return;
        const QString source = QStringLiteral(VANTOR_TEST_DATA "/") + fixture;
        QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString to = path(QDir(source).relativeFilePath(from));
            QDir().mkpath(QFileInfo(to).absolutePath());
            QFile::copy(from, to);
            QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
        }
    }

    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const { return m_dir.path() + QLatin1Char('/') + relative; }

    void write(const QString& relative, const QByteArray& contents) const
    {
        const QString target = path(relative);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile file(target);
        if (file.open(QIODevice::ReadWrite | QIODevice::Truncate))
            file.write(contents);
    }
    void remove(const QString& relative) const { QFile::remove(path(relative)); }

private:
    QTemporaryDir m_dir;
};
