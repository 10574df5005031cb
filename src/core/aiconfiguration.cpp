#include "aiconfiguration.h"

#include "apperror.h"
#include "textmeasure.h"

namespace brindle {

QString rawValue(ResearchProvider provider) {
    return provider == ResearchProvider::openAI ? QStringLiteral("OpenAI")
                                                : QStringLiteral("OpenRouter");
}

QString rawValue(SelkaProvider provider) {
    return provider == SelkaProvider::openRouter ? QStringLiteral("OpenRouter")
                                                 : QStringLiteral("Quorvane");
}

void AIConfiguration::validate() const {
    if (text::trimmed(researchKey).isEmpty())
        throw AppError(
            QStringLiteral("Add your %1 API key in Settings.").arg(rawValue(researchProvider)));
    // The selection key is deliberately not trimmed here; saving trims it.
    if (useSelka && selkaKey.isEmpty())
        throw AppError(
            QStringLiteral("Add your %1 key for Selka, or turn off Selka selection in Settings.")
                .arg(rawValue(selkaProvider)));
}

} // namespace brindle
