#pragma once

// The map every store layer keys by value name.

#include <QString>

#include <cstdint>
#include <unordered_map>

namespace settings {

// A cheap hash for the store's short keys (FNV-1a over the UTF-16 units).
// Stores of thousands of accounts hash every key several times per action,
// and Qt's seeded string hash costs several times as much there.
struct StoreKeyHash
{
    std::size_t operator()(const QString& key) const noexcept
    {
        std::uint64_t hash = 14695981039346656037ULL;
        for (const QChar unit : key) {
            hash ^= unit.unicode();
            hash *= 1099511628211ULL;
        }
        return std::size_t(hash);
    }
};

template <typename Value> using StoreKeyMap = std::unordered_map<QString, Value, StoreKeyHash>;

} // namespace settings
