/**
 * @file
 * The fixed addresses of the model providers. The client is given this table when it is made;
 * production uses production(), tests and brindle-tool may point it at a loopback server. Nothing
 * the user configures reaches it.
 */
#pragma once

#include "aiconfiguration.h"

#include <QUrl>

namespace brindle {

struct ProviderEndpoints {
    QUrl openAIResponses;
    QUrl openRouterResponses;
    QUrl openRouterDecisions;
    QUrl quorvaneDecisions;

    static ProviderEndpoints production();

    /// The research endpoint of the chosen provider.
    QUrl research(ResearchProvider provider) const;
    /// The claim-selection endpoint of the chosen provider.
    QUrl selection(SelkaProvider provider) const;

    friend bool operator==(const ProviderEndpoints &, const ProviderEndpoints &) = default;
};

} // namespace brindle
