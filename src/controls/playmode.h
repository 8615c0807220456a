#pragma once

#include <QObject>
#include <array>

namespace PlayModes {
Q_NAMESPACE

// How the list goes on when a song ends, and where next and previous go
enum class PlayMode {
    // The list's own rule: a middle row plays again, the last row and row 1 go on with row 1
    Default,
    // The next row; after the last row the list stops
    Sequential,
    // The next row; row 1 after the last
    ListLoop,
    // The same row again
    TrackLoop,
    // A row not played yet in this round; a new round once every row has played
    Shuffle,
};
Q_ENUM_NS(PlayMode)

// Every mode, in the order the player strip's button goes through them
inline constexpr std::array kPlayModes {PlayMode::Default, PlayMode::Sequential, PlayMode::ListLoop,
                                        PlayMode::TrackLoop, PlayMode::Shuffle};

// The mode after `mode` in that order, the first after the last
constexpr PlayMode nextPlayMode(PlayMode mode)
{
    for (std::size_t index = 0; index + 1 < kPlayModes.size(); ++index) {
        if (kPlayModes[index] == mode)
            return kPlayModes[index + 1];
    }
    return kPlayModes.front();
}

} // namespace PlayModes

using PlayModes::PlayMode;
