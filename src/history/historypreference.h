/**
 * @file
 * The "Keep session history" setting: on unless the user turned it off. Kept as
 * "keepSessionHistory" in the given settings file (Brindle's own in the app). Main thread only.
 */
#pragma once

#include <QObject>
#include <QSettings>

#include <memory>

namespace brindle {

class HistoryPreference : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool keep READ keep WRITE setKeep NOTIFY keepChanged)

public:
    explicit HistoryPreference(std::unique_ptr<QSettings> settings, QObject *parent = nullptr);

    bool keep() const { return m_keep; }
    void setKeep(bool keep);

Q_SIGNALS:
    void keepChanged();

private:
    std::unique_ptr<QSettings> m_settings;
    bool m_keep = true;
};

} // namespace brindle
