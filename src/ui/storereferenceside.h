/**
 * @file
 * The session controller's reference side as the main window sees it: forwards to the store and
 * tells the view model whenever the folder, the status or the documents change. Lives as long as
 * the store and the view model it is built with.
 */
#pragma once

#include "referenceside.h"

#include <QObject>

namespace brindle {

class SessionStore;
class SessionViewModel;

class StoreReferenceSide final : public QObject, public ReferenceSide {
    Q_OBJECT

public:
    StoreReferenceSide(SessionStore &store, SessionViewModel &view, QObject *parent = nullptr);

    std::optional<QUrl> referenceFolder() const override;
    QString referenceStatus() const override;
    QList<ReferenceDocument> folderDocuments() const override;
    QList<ReferenceDocument> individualDocuments() const override;

    void chooseReferenceFiles() override;
    void connectReferenceFolder() override;
    void refreshReferenceFolder() override;
    void disconnectReferenceFolder() override;
    void removeReference(const QUuid &id) override;

private:
    SessionStore &m_store;
};

} // namespace brindle
