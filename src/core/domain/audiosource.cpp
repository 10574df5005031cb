#include "audiosource.h"

namespace brindle {

AudioSource allSystemAudioSource() {
    return {AudioSourceID::allSystemAudio(), QStringLiteral("All system audio"), QString()};
}

} // namespace brindle
