#pragma once

#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace tavik {

enum class WavSampleFormat : std::uint8_t { Int16, Float32 };

// Writes interleaved stereo float frames to a RIFF WAVE file as they come. The header is
// written first for the announced length, so a render of any length needs no second pass.
class WavWriter {
public:
    WavWriter(const QString& path, int sampleRate, WavSampleFormat format);

    // False (with errorString()) when the file cannot be created.
    [[nodiscard]] bool open(std::uint64_t totalFrames);
    [[nodiscard]] bool write(const float* interleaved, std::size_t frames);
    [[nodiscard]] bool finish();
    [[nodiscard]] QString errorString() const { return m_file.errorString(); }
    // Largest number of frames a WAVE file can hold in this format.
    [[nodiscard]] std::uint64_t maxFrames() const;

private:
    [[nodiscard]] std::uint32_t bytesPerFrame() const;

    QFile m_file;
    int m_sampleRate;
    WavSampleFormat m_format;
    std::uint64_t m_announced = 0;
    std::uint64_t m_written = 0;
};

} // namespace tavik
