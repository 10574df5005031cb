/**
 * @file
 * What the research may use. The raw texts are the labels shown to the user and the stored form.
 */
#pragma once

#include <QString>

#include <array>
#include <optional>

namespace brindle {

enum class EvidenceMode { documents, web, combined };

inline constexpr std::array allEvidenceModes{EvidenceMode::documents, EvidenceMode::web,
                                             EvidenceMode::combined};

/// "Documents only", "Public web" or "References + web".
QString evidenceModeLabel(EvidenceMode mode);

/// The mode whose label is exactly `label`, or nothing.
std::optional<EvidenceMode> evidenceModeFromLabel(const QString &label);

} // namespace brindle
