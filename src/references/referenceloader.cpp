#include "referenceloader.h"

#include "filesystem.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace brindle {

namespace {

bool isAcceptedExtension(const QString &extension) {
    return extension == QStringLiteral("md") || extension == QStringLiteral("txt");
}

bool isBlank(const QString &text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); });
}

std::optional<QString> decodeUtf8(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool isValidUtf8(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

[[noreturn]] void failTooManyFiles(qint64 maxFiles, qint64 maxTotalBytes) {
    throw AppError(QStringLiteral("References exceed the limit of %1 files or %2 MB. Choose a "
                                  "smaller selection.")
                       .arg(maxFiles)
                       .arg(maxTotalBytes / 1'000'000));
}

// Closes a directory stream on every path out of the walk.
struct DirectoryStream {
    DIR *dir = nullptr;
    ~DirectoryStream() {
        if (dir)
            ::closedir(dir);
    }
};

struct FolderWalk {
    qint64 maxFiles = 0;
    qint64 maxEntries = 0;
    const CancelToken &token;
    qint64 entries = 0;
    std::vector<QByteArray> candidates;

    // Depth-first over a stack of native paths; links are never opened, hidden entries never
    // counted or entered.
    void run(const QByteArray &root) {
        std::vector<QByteArray> pending{root};
        while (!pending.empty()) {
            const QByteArray directory = std::move(pending.back());
            pending.pop_back();
            visit(directory, pending);
        }
    }

    void visit(const QByteArray &directory, std::vector<QByteArray> &pending) {
        DirectoryStream stream;
        const int fd =
            ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 || !(stream.dir = ::fdopendir(fd))) {
            const int error = errno;
            if (fd >= 0)
                ::close(fd);
            throw fs::PlatformError(QFile::decodeName(directory), error);
        }
        const QByteArray prefix = directory.endsWith('/') ? directory : directory + '/';
        for (;;) {
            errno = 0;
            const dirent *entry = ::readdir(stream.dir);
            if (!entry) {
                if (errno != 0)
                    throw fs::PlatformError(QFile::decodeName(directory), errno);
                return;
            }
            const QByteArray name(entry->d_name);
            if (name == "." || name == ".." || name.startsWith('.'))
                continue;
            throwIfCancelled(token);
            if (++entries > maxEntries)
                throw AppError(QStringLiteral("This folder has too many entries. Connect a smaller "
                                              "folder (up to 50,000 entries)."));
            const QByteArray path = prefix + name;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (::fstatat(::dirfd(stream.dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    throw fs::PlatformError(QFile::decodeName(path), errno);
                type = S_ISLNK(st.st_mode)   ? DT_LNK
                       : S_ISDIR(st.st_mode) ? DT_DIR
                       : S_ISREG(st.st_mode) ? DT_REG
                                             : DT_UNKNOWN;
            }
            if (type == DT_DIR) {
                pending.push_back(path);
            } else if (type == DT_REG && isValidUtf8(name) &&
                       isAcceptedExtension(fs::lowerExtension(QFile::decodeName(name)))) {
                // A name that is not UTF-8 cannot round-trip through a URL; it is passed over
                // like any other file the loader cannot use.
                candidates.push_back(path);
                if (static_cast<qint64>(candidates.size()) > maxFiles)
                    throw AppError(QStringLiteral("Connect a smaller folder with at most %1 "
                                                  "Markdown or text files.")
                                       .arg(maxFiles));
            }
        }
    }
};

} // namespace

ReferenceSnapshot loadFiles(const QList<QUrl> &urls, const QList<ReferenceDocument> &existing,
                            const std::optional<QUrl> &folder, qint64 maxFileBytes,
                            qint64 maxTotalBytes, qint64 maxFiles, const CancelToken &token) {
    QHash<QUrl, QUuid> knownIds;
    for (const auto &document : existing)
        knownIds.insert(fs::normalizedUrl(document.url), document.id);

    std::optional<QString> folderPrefix;
    if (folder) {
        const QString folderPath = fs::normalizedUrl(*folder).toLocalFile();
        folderPrefix = folderPath.endsWith(u'/') ? folderPath : folderPath + u'/';
    }

    ReferenceSnapshot snapshot;
    qint64 totalBytes = 0;
    QSet<QString> seen;
    for (const auto &url : urls) {
        throwIfCancelled(token);
        if (!url.isLocalFile())
            throw AppError(url.toDisplayString() + QStringLiteral(": Not a local file"));
        const QString path = url.toLocalFile();
        std::optional<fs::EntryStatus> status;
        try {
            status = fs::entryStatus(path);
        } catch (const fs::PlatformError &) {
            // A name that is not UTF-8 arrives with U+FFFD in place of its bytes and names no
            // file; it is passed over as the folder walk passes it over.
            if (!path.contains(QChar::ReplacementCharacter))
                throw;
        }
        if (!status || status->isSymbolicLink || !status->isRegularFile ||
            fs::isHiddenName(QStringView(path).mid(path.lastIndexOf(u'/') + 1))) {
            ++snapshot.skipped;
            continue;
        }
        const QString normalized = fs::normalizedPath(path);
        if (seen.contains(normalized))
            continue;
        seen.insert(normalized);
        if (folderPrefix && !normalized.startsWith(*folderPrefix)) {
            ++snapshot.skipped;
            continue;
        }
        if (!isAcceptedExtension(fs::lowerExtension(normalized)) || status->size > maxFileBytes) {
            ++snapshot.skipped;
            continue;
        }
        const auto content = fs::readPrefix(normalized, maxFileBytes + 1);
        const qint64 byteCount = content.bytes.size();
        if (!content.isRegularFile || byteCount > maxFileBytes) {
            ++snapshot.skipped;
            continue;
        }
        auto text = decodeUtf8(content.bytes);
        if (!text || isBlank(*text)) {
            ++snapshot.skipped;
            continue;
        }
        if (totalBytes + byteCount > maxTotalBytes || snapshot.documents.size() >= maxFiles)
            failTooManyFiles(maxFiles, maxTotalBytes);
        totalBytes += byteCount;

        const QUrl normalizedUrl = QUrl::fromLocalFile(normalized);
        ReferenceDocument document;
        document.id = knownIds.value(normalizedUrl);
        if (document.id.isNull())
            document.id = QUuid::createUuid();
        document.name = folderPrefix ? normalized.mid(folderPrefix->size())
                                     : normalized.mid(normalized.lastIndexOf(u'/') + 1);
        document.text = std::move(*text);
        document.url = normalizedUrl;
        snapshot.documents.append(std::move(document));
    }
    return snapshot;
}

ReferenceSnapshot loadFolder(const QUrl &folder, const QList<ReferenceDocument> &existing,
                             qint64 maxFileBytes, qint64 maxTotalBytes, qint64 maxFiles,
                             qint64 maxEntries, const CancelToken &token) {
    if (!folder.isLocalFile() || folder.toLocalFile().isEmpty())
        throw AppError(QStringLiteral("Unable to read the selected reference folder."));
    const QUrl normalized = fs::normalizedUrl(folder);

    FolderWalk walk{maxFiles, maxEntries, token};
    walk.run(QFile::encodeName(normalized.toLocalFile()));
    // Byte order of UTF-8 paths is code-point order: plain, not localized.
    std::sort(walk.candidates.begin(), walk.candidates.end());

    QList<QUrl> urls;
    urls.reserve(static_cast<qsizetype>(walk.candidates.size()));
    for (const auto &path : walk.candidates)
        urls.append(QUrl::fromLocalFile(QFile::decodeName(path)));
    return loadFiles(urls, existing, normalized, maxFileBytes, maxTotalBytes, maxFiles, token);
}

} // namespace brindle
