/**
 * @file
 * Cooperative cancellation. QCoro tasks cannot be cancelled from outside, so every awaiting
 * operation takes a CancelToken; the owner of the work keeps the CancelSource and stops it.
 * Awaiting operations end promptly once the token is stopped (a sleep returns early, a network
 * wait aborts its reply) and then throw CancelledError or report "cancelled" to their caller.
 */
#pragma once

#include "apperror.h"

#include <stop_token>

namespace brindle {

using CancelToken = std::stop_token;
using CancelSource = std::stop_source;

/// Throws CancelledError when the token has been stopped.
inline void throwIfCancelled(const CancelToken &token) {
    if (token.stop_requested())
        throw CancelledError{};
}

} // namespace brindle
