#include "sound/WavWriter.h"

#include <QByteArray>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tavik {

namespace {

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kIeeeFloat = 3;
constexpr std::uint16_t kChannels = 2;

void put16(QByteArray& out, std::uint16_t v)
{
    char bytes[2];
    qToLittleEndian(v, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray& out, std::uint32_t v)
{
    char bytes[4];
    qToLittleEndian(v, bytes);
    out.append(bytes, 4);
}

} // namespace

WavWriter::WavWriter(const QString& path, int sampleRate, WavSampleFormat format)
    : m_file(path), m_sampleRate(sampleRate), m_format(format)
{
}

std::uint32_t WavWriter::bytesPerFrame() const
{
    return kChannels * (m_format == WavSampleFormat::Int16 ? 2u : 4u);
}

std::uint64_t WavWriter::maxFrames() const
{
    constexpr std::uint64_t kHeaderRoom = 64;
    return (std::numeric_limits<std::uint32_t>::max() - kHeaderRoom) / bytesPerFrame();
}

bool WavWriter::open(std::uint64_t totalFrames)
{
    if (totalFrames > maxFrames() || !m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    m_announced = totalFrames;
    const bool isFloat = m_format == WavSampleFormat::Float32;
    const auto dataBytes = static_cast<std::uint32_t>(totalFrames * bytesPerFrame());
    const std::uint32_t formatBytes = isFloat ? 18 : 16;
    const std::uint32_t factBytes = isFloat ? 12 : 0; // float files carry a fact chunk
    QByteArray header;
    header.append("RIFF");
    put32(header, 4 + (8 + formatBytes) + factBytes + (8 + dataBytes));
    header.append("WAVE");
    header.append("fmt ");
    put32(header, formatBytes);
    put16(header, isFloat ? kIeeeFloat : kPcm);
    put16(header, kChannels);
    put32(header, static_cast<std::uint32_t>(m_sampleRate));
    put32(header, static_cast<std::uint32_t>(m_sampleRate) * bytesPerFrame());
    put16(header, static_cast<std::uint16_t>(bytesPerFrame()));
    put16(header, isFloat ? 32 : 16);
    if (isFloat) {
        put16(header, 0);
        header.append("fact");
        put32(header, 4);
        put32(header, static_cast<std::uint32_t>(totalFrames));
    }
    header.append("data");
    put32(header, dataBytes);
    return m_file.write(header) == header.size();
}

bool WavWriter::write(const float* interleaved, std::size_t frames)
{
    frames = static_cast<std::size_t>(std::min<std::uint64_t>(frames, m_announced - m_written));
    const std::size_t samples = frames * kChannels;
    QByteArray bytes(static_cast<qsizetype>(frames * bytesPerFrame()), Qt::Uninitialized);
    char* out = bytes.data();
    for (std::size_t i = 0; i < samples; ++i) {
        const float x = std::isfinite(interleaved[i]) ? std::clamp(interleaved[i], -1.0f, 1.0f) : 0.0f;
        if (m_format == WavSampleFormat::Int16) {
            qToLittleEndian(static_cast<std::int16_t>(std::lround(x * 32767.0f)), out + 2 * i);
        } else {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &x, sizeof bits);
            qToLittleEndian(bits, out + 4 * i);
        }
    }
    m_written += frames;
    return m_file.write(bytes) == bytes.size();
}

bool WavWriter::finish()
{
    if (m_written != m_announced)
        return false;
    return m_file.flush() && m_file.error() == QFileDevice::NoError && (m_file.close(), true);
}

} // namespace tavik
