#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <string>

// Makes short WAV files (16-bit PCM, mono) that play a little pentatonic tune, so that a
// listener can tell the songs apart. Each tune is rendered on first use and then kept.
class WavSynth {
public:
    static constexpr int kSampleRate = 22050;
    static constexpr int kMelodyCount = 8;
    static constexpr int kHeaderSize = 44;

    explicit WavSynth(double seconds);

    // The complete file for tune `index` (taken modulo kMelodyCount).
    std::shared_ptr<const std::string> melody(int index) const;

private:
    std::string render(int index) const;

    double m_seconds;
    mutable std::mutex m_mutex;
    mutable std::array<std::shared_ptr<const std::string>, kMelodyCount> m_cache;
};
