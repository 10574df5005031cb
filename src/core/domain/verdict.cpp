#include "verdict.h"

namespace brindle {

QString verdictRawValue(Verdict verdict) {
    switch (verdict) {
    case Verdict::supported:
        return QStringLiteral("supported");
    case Verdict::contradicted:
        return QStringLiteral("contradicted");
    case Verdict::context:
        return QStringLiteral("context");
    case Verdict::unresolved:
        break;
    }
    return QStringLiteral("unresolved");
}

std::optional<Verdict> verdictFromRawValue(const QString &raw) {
    for (auto verdict : allVerdicts) {
        if (verdictRawValue(verdict) == raw)
            return verdict;
    }
    return std::nullopt;
}

} // namespace brindle
