/**
 * @file
 * The providers a user can pick and the plain configuration snapshot handed to one check. A
 * snapshot is a copy: edits to the settings afterwards do not reach a check in flight.
 */
#pragma once

#include <QString>

#include <array>

namespace brindle {

enum class ResearchProvider { openAI, openRouter };
enum class SelkaProvider { quorvane, openRouter };

inline constexpr std::array allResearchProviders{ResearchProvider::openAI,
                                                 ResearchProvider::openRouter};
inline constexpr std::array allSelkaProviders{SelkaProvider::quorvane, SelkaProvider::openRouter};

/// "OpenAI" / "OpenRouter": the stored text and the name shown to the user.
QString rawValue(ResearchProvider provider);
/// "Quorvane" / "OpenRouter".
QString rawValue(SelkaProvider provider);

struct AIConfiguration {
    QString selkaKey;
    QString researchKey;
    QString selkaModel;
    QString researchModel;
    bool useSelka = true;
    ResearchProvider researchProvider = ResearchProvider::openRouter;
    SelkaProvider selkaProvider = SelkaProvider::quorvane;

    /// Throws AppError when a key the configuration needs is missing.
    void validate() const;

    friend bool operator==(const AIConfiguration &, const AIConfiguration &) = default;
};

} // namespace brindle
