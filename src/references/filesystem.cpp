#include "filesystem.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace brindle::fs {

namespace {

QString describe(const QString &path, int error) {
    return path + QStringLiteral(": ") +
           QString::fromStdString(std::system_category().message(error));
}

// Closes the descriptor on every path out of readPrefix; an explicit close() reports its error.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

PlatformError::PlatformError(const QString &path, int error)
    : AppError(describe(path, error)) {}

EntryStatus entryStatus(const QString &path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        throw PlatformError(path, errno);
    EntryStatus status;
    status.isSymbolicLink = S_ISLNK(st.st_mode);
    status.isRegularFile = S_ISREG(st.st_mode);
    status.isDirectory = S_ISDIR(st.st_mode);
    status.size = static_cast<qint64>(st.st_size);
    return status;
}

bool isHiddenName(QStringView name) {
    return name.startsWith(u'.');
}

QString lowerExtension(QStringView path) {
    const auto slash = path.lastIndexOf(u'/');
    const auto name = path.mid(slash + 1);
    const auto dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return {};
    return name.mid(dot + 1).toString().toLower();
}

QString normalizedPath(const QString &path) {
    const QString clean =
        QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
    char resolved[PATH_MAX];
    if (::realpath(QFile::encodeName(clean).constData(), resolved))
        return QFile::decodeName(resolved);
    // Resolve what exists and keep the missing rest as text, so that two spellings of the same
    // missing path still compare equal.
    const auto slash = clean.lastIndexOf(u'/');
    if (slash <= 0)
        return clean;
    const QString parent = normalizedPath(clean.left(slash));
    return (parent == QStringLiteral("/") ? parent : parent + u'/') + clean.mid(slash + 1);
}

QUrl normalizedUrl(const QUrl &url) {
    if (!url.isLocalFile())
        return url.adjusted(QUrl::NormalizePathSegments);
    return QUrl::fromLocalFile(normalizedPath(url.toLocalFile()));
}

FilePrefix readPrefix(const QString &path, qint64 limit) {
    // O_NONBLOCK keeps a file swapped for a FIFO since it was examined from blocking the load.
    Descriptor file;
    file.fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (file.fd < 0)
        throw PlatformError(path, errno);
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        throw PlatformError(path, errno);
    FilePrefix result;
    if (!S_ISREG(st.st_mode)) {
        result.isRegularFile = false;
        return result;
    }
    result.bytes.resize(static_cast<qsizetype>(limit));
    qint64 filled = 0;
    while (filled < limit) {
        const auto got =
            ::read(file.fd, result.bytes.data() + filled, static_cast<size_t>(limit - filled));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw PlatformError(path, errno);
        }
        if (got == 0)
            break;
        filled += got;
    }
    result.bytes.truncate(static_cast<qsizetype>(filled));
    result.bytes.squeeze();
    const int fd = std::exchange(file.fd, -1);
    if (::close(fd) != 0)
        throw PlatformError(path, errno);
    return result;
}

} // namespace brindle::fs
