#include "historyrecords.h"

namespace brindle {

QString sessionKindName(SessionKind kind) {
    return kind == SessionKind::recording ? QStringLiteral("recording") : QStringLiteral("live");
}

std::optional<SessionKind> sessionKindFromName(const QString &name) {
    if (name == QLatin1String("live"))
        return SessionKind::live;
    if (name == QLatin1String("recording"))
        return SessionKind::recording;
    return std::nullopt;
}

QString positionText(double seconds) {
    const qint64 total = seconds > 0 ? qint64(seconds) : 0;
    const qint64 hours = total / 3600;
    const qint64 minutes = (total / 60) % 60;
    const qint64 secs = total % 60;
    const auto two = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    if (hours > 0)
        return QString::number(hours) + u':' + two(minutes) + u':' + two(secs);
    return two(minutes) + u':' + two(secs);
}

} // namespace brindle
