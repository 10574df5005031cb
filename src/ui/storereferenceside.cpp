#include "storereferenceside.h"

#include "sessionreferences.h"
#include "sessionstore.h"
#include "sessionviewmodel.h"

namespace brindle {

StoreReferenceSide::StoreReferenceSide(SessionStore &store, SessionViewModel &view, QObject *parent)
    : QObject(parent)
    , m_store(store) {
    for (auto signal : {&SessionStore::referenceFolderChanged,
                        &SessionStore::referenceStatusChanged, &SessionStore::documentsChanged})
        connect(&store, signal, &view, &SessionViewModel::referencesChanged);
    view.setReferenceSide(this);
}

std::optional<QUrl> StoreReferenceSide::referenceFolder() const {
    return m_store.referenceFolder();
}

QString StoreReferenceSide::referenceStatus() const {
    return m_store.referenceStatus();
}

QList<ReferenceDocument> StoreReferenceSide::folderDocuments() const {
    return m_store.folderDocuments();
}

QList<ReferenceDocument> StoreReferenceSide::individualDocuments() const {
    const auto *references = m_store.references();
    return references ? references->individualReferences().documents() : QList<ReferenceDocument>();
}

void StoreReferenceSide::chooseReferenceFiles() {
    m_store.chooseReferenceFiles();
}

void StoreReferenceSide::connectReferenceFolder() {
    m_store.connectReferenceFolder();
}

void StoreReferenceSide::refreshReferenceFolder() {
    m_store.refreshReferenceFolder();
}

void StoreReferenceSide::disconnectReferenceFolder() {
    m_store.disconnectReferenceFolder();
}

void StoreReferenceSide::removeReference(const QUuid &id) {
    m_store.removeReference(id);
}

} // namespace brindle
