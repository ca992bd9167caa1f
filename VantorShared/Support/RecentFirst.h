#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

// A handful of kept results, most recently used first: the one `matches` accepts moves to the
// front; with none, the least recently used is handed to `make` and moved to the front. Small
// enough that a linear search beats any index.
namespace RecentFirst {

template <typename T, std::size_t N, typename Matches, typename Make>
T& use(std::array<T, N>& kept, Matches matches, Make make)
{
    auto found = std::find_if(kept.begin(), kept.end(), matches);
    if (found == kept.end()) {
        found = kept.end() - 1;
        make(*found);
    }
    std::rotate(kept.begin(), found, found + 1);
    return kept.front();
}

} // namespace RecentFirst
