#pragma once

// Without a sound server (PulseAudio, or PipeWire in its place) Qt's player warns at every song
// that it could not connect, and its device list once at start; the songs play silently. From
// this call on, the first of those warnings becomes one line that says so, and the rest are
// dropped. Call it once, right after the application object is made.
void sayOnceWhenNoSoundServer();
