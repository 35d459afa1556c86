#include "tests/support/ChordlaneTest.h"

#include <fstream>
#include <random>

namespace chordlane::test {

void ChordlaneTest::SetUp() {
    std::random_device rd;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    temp_ = std::filesystem::temp_directory_path() /
            ("chordlane-" + std::string(info ? info->name() : "test") + "-" + std::to_string(rd()));
    std::filesystem::create_directories(temp_);
}

void ChordlaneTest::TearDown() {
    std::error_code ec;
    std::filesystem::remove_all(temp_, ec);
}

std::filesystem::path ChordlaneTest::WriteFile(const std::string& relative,
                                               const std::string& content) {
    auto path = temp_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

String ChordlaneTest::TempFolder() const { return FromUtf8(temp_.string() + "/"); }

std::filesystem::path DataFile(const std::string& relative) {
    return std::filesystem::path(CHORDLANE_TEST_DATA) / relative;
}

}  // namespace chordlane::test
