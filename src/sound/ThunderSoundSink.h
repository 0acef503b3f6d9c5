#pragma once

namespace tavik {

// What the thunderstorm tells the sound at every flash; whether and how it thunders is up to
// the sound.
class ThunderSoundSink {
public:
    virtual ~ThunderSoundSink() = default;

    // brightness: the flash's brightness on its 0 to 100 scale.
    virtual void lightningStruck(double brightness) = 0;
};

} // namespace tavik
