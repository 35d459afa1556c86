#pragma once
// Loading bad files the way a user does -- through the Open flow, with the program's own
// mixer as the wave output -- while counting what the load takes.

#include <chrono>
#include <string>

#include "app/OpenFlow.h"
#include "elements/Element.h"
#include "platform/audio/WaveMapper.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {

// Whatever the file, a load stays below these.
inline constexpr int64_t LOAD_MEMORY_BOUND = int64_t{1} << 30;
// Only a guard against hangs: loads take milliseconds, sanitizers and a busy machine included.
inline constexpr double LOAD_TIME_BOUND_SECONDS = 10.0;

class BadInputTest : public ChordlaneTest {
protected:
    void SetUp() override;
    void TearDown() override;

    //! Copies the catalogue file tests/data/bad/NAME beside the instrument files.
    void CopyBad(const std::string& name);
    //! Writes "cl1.0", a line feed and body as NAME in the temporary folder; answers its path.
    String WriteInstrument(const std::string& name, const std::string& body);
    //! Loads path through the Open flow, recording the memory and time it took.
    OpenResult Load(const String& path);
    //! Asserts that the last load stayed within the bounds.
    void ExpectBoundedLoad() const;

    //! Triggers the voice as a tap would and answers whether anything sounds in the next 50 ms
    //! of the mix.
    bool Sounds(const std::u16string& voice);
    //! The element of that name anywhere in the instrument, or null.
    Element* Find(std::u16string_view name) const;
    //! How many elements the instrument holds, the root not counted.
    size_t CountElements() const;
    //! The message boxes shown, as UTF-8.
    std::vector<std::string> Messages() const;

    int64_t loadPeakBytes_ = 0;  // through operator new
    int64_t loadPeakRss_ = 0;    // resident memory, whoever allocated it
    double loadSeconds_ = 0.0;
    WaveMapper mixer_;
};

}  // namespace chordlane::test
