/**
 * @file
 * The research models offered in the settings sheet for each provider, in menu order, and the
 * picker's rule for when it starts in custom mode. Constant data; the QML singleton only reads it.
 */
#pragma once

#include "aiconfiguration.h"

#include <QList>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace brindle {

struct ModelPreset {
    QString id; ///< the model identifier sent to the provider
    QString name;
};

QList<ModelPreset> researchModelPresets(ResearchProvider provider);
/// True exactly when `model` is not the id of one of the provider's presets (case-sensitive).
bool startsInCustomMode(ResearchProvider provider, const QString &model);

class ResearchModelPresets : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;
    /// Maps with id and name; provider 0 OpenAI, 1 OpenRouter.
    Q_INVOKABLE QVariantList presets(int provider) const;
    Q_INVOKABLE bool startsCustom(int provider, const QString &model) const;
};

} // namespace brindle
