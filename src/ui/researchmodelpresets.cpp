#include "researchmodelpresets.h"

#include <algorithm>

namespace brindle {

QList<ModelPreset> researchModelPresets(ResearchProvider provider) {
    switch (provider) {
    case ResearchProvider::openAI:
        return {{QStringLiteral("gpt-5.4"), QStringLiteral("OpenAI GPT-5.4")}};
    case ResearchProvider::openRouter:
        break;
    }
    return {{QStringLiteral("google/gemini-3.8-flash"), QStringLiteral("Google Gemini 3.8 Flash")},
            {QStringLiteral("deepseek/deepseek-v4-flash-20260731"),
             QStringLiteral("DeepSeek V4 Flash")},
            {QStringLiteral("openai/gpt-5.4"), QStringLiteral("OpenAI GPT-5.4")}};
}

bool startsInCustomMode(ResearchProvider provider, const QString &model) {
    const auto presets = researchModelPresets(provider);
    return std::none_of(presets.begin(), presets.end(),
                        [&](const ModelPreset &preset) { return preset.id == model; });
}

static ResearchProvider providerFromIndex(int provider) {
    return provider == 1 ? ResearchProvider::openRouter : ResearchProvider::openAI;
}

QVariantList ResearchModelPresets::presets(int provider) const {
    QVariantList list;
    for (const auto &preset : researchModelPresets(providerFromIndex(provider)))
        list.append(
            QVariantMap{{QStringLiteral("id"), preset.id}, {QStringLiteral("name"), preset.name}});
    return list;
}

bool ResearchModelPresets::startsCustom(int provider, const QString &model) const {
    return startsInCustomMode(providerFromIndex(provider), model);
}

} // namespace brindle
