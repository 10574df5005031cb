#include "referencedocument.h"

namespace brindle {

QString uuidText(const QUuid &id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QString documentCitation(const QUuid &id) {
    return QStringLiteral("doc:") + uuidText(id);
}

} // namespace brindle
