#include "wavsynth.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace {

// Two octaves of the major pentatonic scale, in semitones above the tune's key note.
constexpr std::array kScale = {0, 2, 4, 7, 9, 12, 14, 16, 19, 21};
constexpr std::array kKeyOffsets = {0, 3, 5, 7, -2, 2, -4, 8};

void appendLittleEndian(std::string &out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

// A small deterministic generator, so that a tune sounds the same on every run.
class TuneDice {
public:
    explicit TuneDice(std::uint32_t seed) : m_state(seed) { }
    int roll(int sides)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return int((m_state >> 16) % std::uint32_t(sides));
    }

private:
    std::uint32_t m_state;
};

} // namespace

WavSynth::WavSynth(double seconds) : m_seconds(seconds) { }

std::shared_ptr<const std::string> WavSynth::melody(int index) const
{
    const size_t slot = size_t(((index % kMelodyCount) + kMelodyCount) % kMelodyCount);
    const std::lock_guard lock(m_mutex);
    if (!m_cache.at(slot))
        m_cache.at(slot) = std::make_shared<const std::string>(render(int(slot)));
    return m_cache.at(slot);
}

std::string WavSynth::render(int index) const
{
    const auto sampleCount = size_t(std::max(1.0, std::round(m_seconds * kSampleRate)));
    std::vector<double> samples(sampleCount, 0.0);

    TuneDice dice(0x9E3779B9u * std::uint32_t(index + 1));
    const double keyHz = 261.63 * std::pow(2.0, kKeyOffsets.at(size_t(index)) / 12.0);
    const double beatSeconds = 0.20 + 0.04 * (index % 4);
    int degree = 2 + index % 3;

    size_t start = 0;
    while (start < sampleCount) {
        const int beats = dice.roll(4) == 0 ? 2 : 1;
        const auto length = size_t(beats * beatSeconds * kSampleRate);
        const double noteSeconds = double(length) / kSampleRate;
        const double hz = keyHz * std::pow(2.0, kScale.at(size_t(degree)) / 12.0);
        for (size_t i = 0; i < length && start + i < sampleCount; ++i) {
            const double t = double(i) / kSampleRate;
            // Quick attack, gentle decay and a short release, so notes neither click nor drone.
            const double envelope = std::min(1.0, t / 0.012) * std::exp(-2.5 * t / noteSeconds)
                * std::min(1.0, (noteSeconds - t) / 0.04);
            const double phase = 2.0 * std::numbers::pi * hz * t;
            samples[start + i] += envelope
                * (std::sin(phase) + 0.35 * std::sin(2.0 * phase) + 0.12 * std::sin(3.0 * phase));
        }
        start += length;
        degree = std::clamp(degree + dice.roll(5) - 2, 0, int(kScale.size()) - 1);
    }

    const std::uint32_t dataSize = std::uint32_t(sampleCount * 2);
    std::string wav;
    wav.reserve(kHeaderSize + dataSize);
    wav += "RIFF";
    appendLittleEndian(wav, 36 + dataSize, 4);
    wav += "WAVEfmt ";
    appendLittleEndian(wav, 16, 4); // size of the format chunk
    appendLittleEndian(wav, 1, 2); // PCM
    appendLittleEndian(wav, 1, 2); // mono
    appendLittleEndian(wav, kSampleRate, 4);
    appendLittleEndian(wav, kSampleRate * 2, 4); // bytes per second
    appendLittleEndian(wav, 2, 2); // bytes per frame
    appendLittleEndian(wav, 16, 2); // bits per sample
    wav += "data";
    appendLittleEndian(wav, dataSize, 4);

    const double fadeOut = 0.03 * kSampleRate;
    for (size_t i = 0; i < sampleCount; ++i) {
        const double tail = std::min(1.0, double(sampleCount - i) / fadeOut);
        const double value = std::clamp(samples[i] * tail * 0.25, -1.0, 1.0);
        appendLittleEndian(wav, std::uint32_t(std::int16_t(std::lround(value * 32767.0))), 2);
    }
    return wav;
}
