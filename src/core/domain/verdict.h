/**
 * @file
 * The research model's judgement of a claim, coded as its raw text on the wire.
 */
#pragma once

#include <QString>

#include <array>
#include <optional>

namespace brindle {

enum class Verdict { supported, contradicted, context, unresolved };

inline constexpr std::array allVerdicts{Verdict::supported, Verdict::contradicted, Verdict::context,
                                        Verdict::unresolved};

/// The raw text: "supported", "contradicted", "context" or "unresolved".
QString verdictRawValue(Verdict verdict);

/// The verdict whose raw text is exactly `raw` (letter case included), or nothing.
std::optional<Verdict> verdictFromRawValue(const QString &raw);

} // namespace brindle
