#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The registry's one idiom for its lists of raw pointers: append-only, indices fixed,
// deleted entries left as null slots, every walk re-reading the length before each entry.

/// Appends `entry` to `list` and returns its index: the new length minus one.
template <typename T>
int32_t Register(std::vector<T*>& list, T* entry)
{
    list.push_back(entry);
    return static_cast<int32_t>(list.size()) - 1;
}

/// Deletes every live entry from the first to the last and leaves its slot null.
template <typename T>
void DeleteEntries(std::vector<T*>& list)
{
    for (std::size_t i = 0; i < list.size(); ++i)
    {
        if (list[i] != nullptr)
        {
            delete list[i];
            list[i] = nullptr;
        }
    }
}
