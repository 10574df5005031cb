/**
 * @file
 * Where in the transcript a claim was cut from. Offsets count grapheme clusters of the trimmed
 * utterance text. A plain value; equality and hashing cover all four fields.
 */
#pragma once

#include <QHashFunctions>
#include <QString>

#include <cstdint>
#include <functional>

namespace brindle {

struct ClaimOrigin {
    QString channel;            ///< "application" or "microphone"
    std::int64_t utterance = 0; ///< utterance number within the channel, from 0
    std::int64_t start = 0;     ///< where the claim text begins in the utterance
    std::int64_t end = 0;       ///< length of the utterance text when the claim was cut

    friend bool operator==(const ClaimOrigin &, const ClaimOrigin &) = default;
};

inline size_t qHash(const ClaimOrigin &o, size_t seed = 0) {
    return qHashMulti(seed, o.channel, o.utterance, o.start, o.end);
}

} // namespace brindle

template<>
struct std::hash<brindle::ClaimOrigin> {
    size_t operator()(const brindle::ClaimOrigin &o) const noexcept { return brindle::qHash(o); }
};
