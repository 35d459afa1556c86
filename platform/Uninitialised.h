#pragma once
// Arrays that are written whole before they are read, so zeroing them first would only cost
// time (sample buffers of several megabytes at load).

#include <cstddef>
#include <memory>

namespace chordlane {

//! An array of count elements left uninitialised; throws std::bad_alloc like new.
template <typename T>
std::unique_ptr<T[]> MakeUninitialisedArray(size_t count) {
#if defined(__cpp_lib_smart_ptr_for_overwrite)
    return std::make_unique_for_overwrite<T[]>(count);
#else
    // Older standard libraries (the web build's) lack the function; new without an
    // initialiser does the same.
    return std::unique_ptr<T[]>(new T[count]);
#endif
}

}  // namespace chordlane
