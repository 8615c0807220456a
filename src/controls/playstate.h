#pragma once

#include <QObject>

namespace PlayStates {
Q_NAMESPACE

// What the player is doing, as the handlers, the window and the desktop's media controls see it.
// Qt's player reports in its own terms; AudioPlayer turns those into these through PlayStateRules.
enum class PlayState {
    // Nothing has been assigned yet
    Undefined,
    // Playback ended: at the end of the media or by the user's stop
    Stopped,
    Paused,
    Playing,
    // On its way to playing: connecting or waiting for data
    Buffering,
    // Nothing to play: the address was taken away, or it cannot be played
    Ready,
};
Q_ENUM_NS(PlayState)

} // namespace PlayStates

using PlayStates::PlayState;
