#include "demofinding.h"

namespace brindle {

QString demoQuote() {
    return QStringLiteral("The Atlas release is scheduled for Friday.");
}

Finding makeDemoFinding(const QDateTime &createdAt) {
    return Finding{
        QUuid::createUuid(),
        demoQuote(),
        Verdict::contradicted,
        QStringLiteral("The sample release note lists Thursday, 12 November. Check whether the "
                       "schedule has changed."),
        {EvidenceSource{QStringLiteral("Sample release note \u00B7 demo fixture"), QString(),
                        QStringLiteral("Atlas release: Thursday, 12 November. Schedule approved by "
                                       "the release team.")}},
        createdAt,
        demoPauseSeconds,
        true,
        std::nullopt,
        randomEyebrow()};
}

} // namespace brindle
