/**
 * @file
 * One loaded reference file. Cited by the research model as "doc:" + upper-case UUID text.
 */
#pragma once

#include <QString>
#include <QUrl>
#include <QUuid>

namespace brindle {

struct ReferenceDocument {
    QUuid id;
    QString name; ///< file name, or the path relative to the connected folder
    QString text;
    QUrl url; ///< file URL it was read from

    friend bool operator==(const ReferenceDocument &, const ReferenceDocument &) = default;
};

/// Upper-case UUID text without braces, e.g. "0F8FAD5B-D9CB-469F-A165-70867728950E".
QString uuidText(const QUuid &id);

/// "doc:" followed by the document id's upper-case UUID text.
QString documentCitation(const QUuid &id);

} // namespace brindle
