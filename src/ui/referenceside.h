/**
 * @file
 * The reference half of the session controller as the main window needs it: the connected folder,
 * the status line, the two document lists and the five actions. The controller implements it
 * once its reference side exists; SessionViewModel shows plain documents without it.
 */
#pragma once

#include "referencedocument.h"

#include <QList>
#include <QUrl>

#include <optional>

namespace brindle {

class ReferenceSide {
public:
    virtual ~ReferenceSide() = default;

    virtual std::optional<QUrl> referenceFolder() const = 0;
    virtual QString referenceStatus() const = 0;
    /// Documents read from the connected folder.
    virtual QList<ReferenceDocument> folderDocuments() const = 0;
    /// Documents the user added one by one.
    virtual QList<ReferenceDocument> individualDocuments() const = 0;

    virtual void chooseReferenceFiles() = 0;
    virtual void connectReferenceFolder() = 0;
    virtual void refreshReferenceFolder() = 0;
    virtual void disconnectReferenceFolder() = 0;
    virtual void removeReference(const QUuid &id) = 0;
};

} // namespace brindle
