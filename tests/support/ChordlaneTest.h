#pragma once
// The project fixture: a fresh temporary folder, the headless platform, and a fresh
// instrument on it for every test.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "elements/Instrument.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "tests/support/FakeWaveOutput.h"

namespace chordlane::test {

class ChordlaneTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    //! Writes a file below the temporary folder (folders created) and answers its path.
    std::filesystem::path WriteFile(const std::string& relative, const std::string& content);
    //! The temporary folder as a program path, ending with '/'.
    String TempFolder() const;
    //! The 240 x 320 portrait screen the shipped instruments are drawn for.
    void UsePortraitScreen() { instrument_.SetScreen(240, 320); }

    std::filesystem::path temp_;
    // Its wave output is a FakeWaveOutput, whose record the tests of sound look at.
    HeadlessPlatform platform_{MakeFakeWaveOutput};
    // Goes before the platform it plays on.
    Instrument instrument_{platform_.services};
};

//! A file under tests/data.
std::filesystem::path DataFile(const std::string& relative);

}  // namespace chordlane::test
