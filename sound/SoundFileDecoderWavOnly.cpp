// The decoder of builds without libsndfile (the web build): only our own reader's 8- and
// 16-bit PCM WAV files load there, and every other file is refused with a reason that says
// what would load, so the author can convert it.

#include "sound/Sample.h"
#include "sound/SoundFileDecoder.h"

namespace chordlane {

bool DecodeSoundFile(Sample& sample, std::span<const uint8_t>, String& reason) {
    sample.ReleaseImage();
    sample.dataLength = 0;
    reason = u"not an 8- or 16-bit PCM WAV file, the only sound files this build reads";
    return false;
}

}  // namespace chordlane
