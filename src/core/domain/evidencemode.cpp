#include "evidencemode.h"

namespace brindle {

QString evidenceModeLabel(EvidenceMode mode) {
    switch (mode) {
    case EvidenceMode::documents:
        return QStringLiteral("Documents only");
    case EvidenceMode::web:
        return QStringLiteral("Public web");
    case EvidenceMode::combined:
        break;
    }
    return QStringLiteral("References + web");
}

std::optional<EvidenceMode> evidenceModeFromLabel(const QString &label) {
    for (auto mode : allEvidenceModes) {
        if (evidenceModeLabel(mode) == label)
            return mode;
    }
    return std::nullopt;
}

} // namespace brindle
