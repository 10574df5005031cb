#include "accesstoken.h"

#include "filesystem.h"

#include <QDataStream>
#include <QFile>
#include <QIODevice>

#include <sys/stat.h>

namespace brindle {

namespace {

constexpr quint32 tokenMagic = 0x42524b31; // "BRK1"

struct Identity {
    quint64 device = 0;
    quint64 inode = 0;
};

std::optional<Identity> identityOf(const QString &path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return Identity{quint64(status.st_dev), quint64(status.st_ino)};
}

} // namespace

std::optional<QByteArray> makeAccessToken(const QUrl &url) {
    if (!url.isLocalFile())
        return std::nullopt;
    const QString path = fs::normalizedPath(url.toLocalFile());
    const auto identity = identityOf(path);
    if (!identity)
        return std::nullopt;
    QByteArray token;
    QDataStream out(&token, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << tokenMagic << identity->device << identity->inode << path;
    return token;
}

std::optional<QUrl> resolveAccessToken(const QByteArray &token) {
    QDataStream in(token);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    Identity saved;
    QString path;
    in >> magic >> saved.device >> saved.inode >> path;
    if (in.status() != QDataStream::Ok || !in.atEnd() || magic != tokenMagic ||
        !path.startsWith(QLatin1Char('/')))
        return std::nullopt;
    const auto identity = identityOf(path);
    if (!identity || identity->device != saved.device || identity->inode != saved.inode)
        return std::nullopt;
    return QUrl::fromLocalFile(path);
}

} // namespace brindle
