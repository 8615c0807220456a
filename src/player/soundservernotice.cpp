#include "soundservernotice.h"

#include <QString>
#include <QtGlobal>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {

// What Qt's player and its device list say when libpulse finds no server, and what the FFmpeg
// back end says at every song when there is no audio device
constexpr QLatin1StringView kNoServerMarks[] = {
    "Failed to connect: Connection refused"_L1,
    "pa_context_connect() failed"_L1,
    "No audio device detected"_L1,
};
constexpr char kNotice[]
    = "No sound server (PulseAudio or PipeWire) is running: playback runs silently.";

QtMessageHandler g_previousHandler = nullptr;
// Messages come from the media back end's threads too
std::atomic_bool g_noticed = false;

bool saysNoServer(const QString &message)
{
    for (const QLatin1StringView mark : kNoServerMarks) {
        if (message.contains(mark))
            return true;
    }
    return false;
}

void filterMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!saysNoServer(message)) {
        g_previousHandler(type, context, message);
        return;
    }
    if (g_noticed.exchange(true))
        return;
    const QMessageLogContext player(nullptr, 0, nullptr, "quillpod.player");
    g_previousHandler(QtWarningMsg, player, QString::fromLatin1(kNotice));
}

} // namespace

void sayOnceWhenNoSoundServer()
{
    if (!g_previousHandler)
        g_previousHandler = qInstallMessageHandler(filterMessage);
}
