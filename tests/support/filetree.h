/// @file A folder tree written by one test inside its own temporary directory.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <unistd.h>

namespace brindle::test {

class FileTree {
public:
    QString path(const QString &relative = {}) const {
        return relative.isEmpty() ? m_dir.path() : m_dir.filePath(relative);
    }
    QUrl url(const QString &relative = {}) const { return QUrl::fromLocalFile(path(relative)); }
    QList<QUrl> urls(const QStringList &relatives) const {
        QList<QUrl> result;
        for (const auto &relative : relatives)
            result.append(url(relative));
        return result;
    }
    /// Writes `bytes` to `relative`, making its folders; returns its URL.
    QUrl file(const QString &relative, const QByteArray &bytes = "x") const {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QFile out(path(relative));
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(relative));
        return url(relative);
    }
    /// `count` files named by `pattern` with a four-digit number in it; returns their URLs.
    QList<QUrl> files(const QString &pattern, int count) const {
        QList<QUrl> result;
        for (int i = 0; i < count; ++i)
            result.append(file(pattern.arg(i, 4, 10, QLatin1Char('0'))));
        return result;
    }
    /// A symbolic link at `relative` to `target`.
    void link(const QString &relative, const QString &target) const {
        if (::symlink(QFile::encodeName(path(target)).constData(),
                      QFile::encodeName(path(relative)).constData()) != 0)
            qFatal("cannot link %s", qPrintable(relative));
    }

private:
    QTemporaryDir m_dir;
};

} // namespace brindle::test
