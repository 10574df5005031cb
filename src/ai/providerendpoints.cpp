#include "providerendpoints.h"

namespace brindle {

ProviderEndpoints ProviderEndpoints::production() {
    return {QUrl(QStringLiteral("https://api.openai.com/v1/responses")),
            QUrl(QStringLiteral("https://openrouter.ai/api/v1/responses")),
            QUrl(QStringLiteral("https://openrouter.ai/api/alpha/decisions")),
            QUrl(QStringLiteral("https://api.quorvane.com/v1/kestrun"))};
}

QUrl ProviderEndpoints::research(ResearchProvider provider) const {
    switch (provider) {
    case ResearchProvider::openAI:
        return openAIResponses;
    case ResearchProvider::openRouter:
        return openRouterResponses;
    }
    return {};
}

QUrl ProviderEndpoints::selection(SelkaProvider provider) const {
    switch (provider) {
    case SelkaProvider::quorvane:
        return quorvaneDecisions;
    case SelkaProvider::openRouter:
        return openRouterDecisions;
    }
    return {};
}

} // namespace brindle
