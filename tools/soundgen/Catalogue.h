#pragma once
// Every file the generator makes, with its place in the source tree.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace chordlane::soundgen {

struct GeneratedFile {
    std::string path;  // relative to the root of the source tree, '/' separated
    std::vector<uint8_t> bytes;
};

//! Synthesises every wave file and draws every picture, always with the same bytes.
std::vector<GeneratedFile> GenerateAll();

//! Writes the files below root, creating folders; on failure answers false and says why.
bool WriteAll(const std::filesystem::path& root, std::string& error);

}  // namespace chordlane::soundgen
