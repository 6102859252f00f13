// SPDX-License-Identifier: Apache-2.0
// A list that keeps at most a known number of items, grown to exactly that
// number rather than to the next power of two: thousands of such lists (the
// first records of each message text or stage problem) are kept while a
// run's results are gathered, and their slack would be most of the memory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace tarvos {

// Adds item to a list that holds fewer than limit items.
template <typename T>
void push_within(std::vector<T>& list, T item, std::size_t limit) {
    if (list.size() == list.capacity()) list.reserve(std::min(limit, std::max<std::size_t>(1, 2 * list.capacity())));
    list.push_back(std::move(item));
}

}  // namespace tarvos
