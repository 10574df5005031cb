/// @file One value taken from each item of a list, for comparing lists of records in tests.
#pragma once

#include <QList>

#include <functional>

namespace brindle::test {

/// `take` (a member pointer or a callable) applied to each item of `items`, in order.
template<typename Items, typename Take>
auto mapped(const Items &items, Take take) {
    QList<std::decay_t<std::invoke_result_t<Take, decltype(*std::begin(items))>>> result;
    for (const auto &item : items)
        result.append(std::invoke(take, item));
    return result;
}

} // namespace brindle::test
