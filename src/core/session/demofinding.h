/**
 * @file
 * The prepared finding the demo publishes: a contradicted claim with a sample source whose URL is
 * empty (nothing opens or validates it).
 */
#pragma once

#include "finding.h"

namespace brindle {

inline constexpr double demoPauseSeconds = 0.9;

QString demoQuote();
Finding makeDemoFinding(const QDateTime &createdAt);

} // namespace brindle
