#include "historypreference.h"

namespace brindle {

namespace {
const QString key = QStringLiteral("keepSessionHistory");
}

HistoryPreference::HistoryPreference(std::unique_ptr<QSettings> settings, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_keep(m_settings->value(key, true).toBool()) {}

void HistoryPreference::setKeep(bool keep) {
    if (keep == m_keep)
        return;
    m_keep = keep;
    m_settings->setValue(key, keep);
    m_settings->sync();
    Q_EMIT keepChanged();
}

} // namespace brindle
