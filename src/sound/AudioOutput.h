#pragma once

#include <cstddef>
#include <vector>

namespace tavik {

class SoundGraph;

// Where the mix goes: a sound device, or memory for offline renders and tests. Called from the
// main thread only.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Starts pulling frames from the graph; false (and nothing running) when that is impossible.
    virtual bool start(SoundGraph& graph) = 0;
    // Stops pulling; once it returns nothing reads the graph any more.
    virtual void stop() = 0;
    // Whether frames are still being pulled: false after stop() and after the device was lost.
    [[nodiscard]] virtual bool isPlaying() const = 0;
};

// An output that plays only when asked: pull() renders the next frames into memory.
class OfflineAudioOutput final : public AudioOutput {
public:
    bool start(SoundGraph& graph) override;
    void stop() override;
    [[nodiscard]] bool isPlaying() const override { return m_graph != nullptr; }

    // Appends the next frames as interleaved stereo; silence while stopped.
    void pull(std::vector<float>& interleaved, std::size_t frames);
    [[nodiscard]] int startCount() const { return m_starts; }

private:
    SoundGraph* m_graph = nullptr;
    int m_starts = 0;
};

} // namespace tavik
