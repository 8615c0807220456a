#include "playstaterules.h"

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// A song that ends this much short of its length, or a twentieth of it if that is more, broke off
constexpr qint64 kShortEndMs = 2000;

} // namespace

void PlayStateRules::assign(const QString &url, const QString &refusal)
{
    m_hasAddress = !url.isEmpty();
    m_failure = refusal;
    m_stopRequested = false;
    m_position = m_previousPosition = 0;
}

bool PlayStateRules::takeError(Error error, Media media)
{
    if (m_changingSource || error == Error::None || !m_hasAddress || !m_failure.isEmpty())
        return false;
    switch (error) {
    case Error::Network:
        m_failure = u"网络连接失败"_s;
        break;
    case Error::Format:
        m_failure = u"不支持的媒体格式"_s;
        break;
    case Error::AccessDenied:
        m_failure = u"没有访问该媒体的权限"_s;
        break;
    default:
        // GStreamer reports nearly everything as a resource error: whether any data arrived
        // tells an unreachable address from an undecodable one.
        m_failure = media == Media::Loading ? u"无法打开该地址"_s : u"无法解码该媒体"_s;
        break;
    }
    return true;
}

bool PlayStateRules::update(const Observation &now)
{
    if (m_changingSource)
        return false;
    m_media = now.media;
    noticeBrokenMedia(now);
    const PlayState state = derivedState(now);
    if (state == m_state)
        return false;
    m_state = state;
    return true;
}

void PlayStateRules::noticeBrokenMedia(const Observation &now)
{
    if (!m_failure.isEmpty() || !m_hasAddress || m_stopRequested)
        return;
    if (now.media == Media::Invalid) {
        m_failure = u"无法播放该媒体"_s;
    } else if (now.media == Media::EndOfMedia && now.duration <= 0 && now.position <= 0) {
        // An end with nothing played is a broken file; as a stop it would be fetched again at
        // once, endlessly.
        m_failure = u"媒体中没有可播放的内容"_s;
    } else if (now.media == Media::EndOfMedia && brokeOff(now.duration)) {
        // GStreamer reports a stream that breaks off as a network error; FFmpeg's backend ends
        // it as if it had played through, and the list would go on without waiting for the
        // service
        m_failure = u"网络连接失败"_s;
    }
}

bool PlayStateRules::brokeOff(qint64 duration) const
{
    // At the end of a stream FFmpeg's backend reports its whole length as the position, however
    // far it played; the report before says where it stopped
    return duration > 0 && m_position >= duration
        && m_previousPosition + std::max(kShortEndMs, duration / 20) < duration;
}

void PlayStateRules::notePosition(qint64 milliseconds)
{
    m_previousPosition = std::exchange(m_position, milliseconds);
}

void PlayStateRules::noteSeek(qint64 milliseconds)
{
    m_position = m_previousPosition = milliseconds;
}

PlayState PlayStateRules::derivedState(const Observation &now) const
{
    if (!m_hasAddress)
        return m_state == PlayState::Undefined ? PlayState::Undefined : PlayState::Ready;
    if (!m_failure.isEmpty())
        return PlayState::Ready;
    if (m_stopRequested || now.media == Media::EndOfMedia)
        return PlayState::Stopped;
    switch (now.playback) {
    case Playback::Playing:
        return now.media == Media::Loading || now.media == Media::Stalled ? PlayState::Buffering
                                                                          : PlayState::Playing;
    case Playback::Paused:
        return PlayState::Paused;
    case Playback::Stopped:
        // FFmpeg's backend stays stopped until the media it opens has loaded, and then plays;
        // GStreamer's plays at once. Either way the song is on its way.
        if (now.media == Media::Loading)
            return PlayState::Buffering;
        break;
    }
    // Any other stop of Qt's is a passing one: only the end of the media and the user's stop
    // end playback.
    return m_state;
}

bool PlayStateRules::active() const
{
    return m_state == PlayState::Playing || m_state == PlayState::Buffering;
}

QString PlayStateRules::statusText(const QString &title) const
{
    switch (m_state) {
    case PlayState::Playing:
        return u"正在播放：%1"_s.arg(title);
    case PlayState::Paused:
        return u"已暂停"_s;
    case PlayState::Stopped:
        return u"已停止"_s;
    case PlayState::Buffering:
        return m_media == Media::Loading ? u"正在连接…"_s : u"正在缓冲…"_s;
    default:
        return m_failure.isEmpty() ? u"就绪"_s : u"错误：%1"_s.arg(m_failure);
    }
}
