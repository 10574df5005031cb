#include "finding.h"

#include "claimjob.h"
#include "researchresult.h"

#include <QRandomGenerator>

namespace brindle {

namespace {

// One fair bit from the secure source; masking a uniform word keeps it free of bias.
bool coinFlip() {
    return (QRandomGenerator::system()->generate() & 1u) != 0;
}

} // namespace

QString randomEyebrow() {
    const QString emoji =
        coinFlip() ? QStringLiteral("\u261D\uFE0F") : QStringLiteral("\U0001F913");
    const QString hum = coinFlip() ? QStringLiteral("errmm...") : QStringLiteral("umm...");
    const QString name = coinFlip() ? QStringLiteral("brindle...") : QStringLiteral("brindelly...");
    return emoji + u' ' + hum + u' ' + name;
}

Finding makeFinding(const ClaimJob &job, const ResearchResult &result, const QDateTime &createdAt,
                    double elapsed, bool isDemo) {
    return Finding{QUuid::createUuid(), job.text,       result.verdict, result.explanation,
                   result.sources,      createdAt,      elapsed,        isDemo,
                   job.origin,          randomEyebrow()};
}

} // namespace brindle
