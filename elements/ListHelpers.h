#pragma once
// The application's element lists (sounds, playing voices) hold each element at most once
// and by pointer identity; nothing here owns or frees an element.

#include <algorithm>
#include <vector>

namespace chordlane {

template <typename T>
void AddUnlessPresent(std::vector<T*>& list, T* item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

//! Removes the first entry holding item; answers whether there was one.
template <typename T>
bool RemoveFirst(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

}  // namespace chordlane
