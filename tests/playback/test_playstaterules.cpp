#include "controls/mediaplayer.h"
#include "playback/playstaterules.h"

#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

using Observation = PlayStateRules::Observation;

const Observation kLoading {PlayStateRules::Playback::Playing, PlayStateRules::Media::Loading, 0,
                            0};
const Observation kPlaying {PlayStateRules::Playback::Playing, PlayStateRules::Media::Buffered,
                            4000, 900};
const Observation kStalled {PlayStateRules::Playback::Playing, PlayStateRules::Media::Stalled, 4000,
                            900};
const Observation kPaused {PlayStateRules::Playback::Paused, PlayStateRules::Media::Buffered, 4000,
                           900};
// Qt stops for a moment while it changes over or seeks
const Observation kPassingStop {PlayStateRules::Playback::Stopped, PlayStateRules::Media::Loaded,
                                4000, 0};
const Observation kEnded {PlayStateRules::Playback::Stopped, PlayStateRules::Media::EndOfMedia,
                          4000, 4000};
const Observation kEndedEmpty {PlayStateRules::Playback::Stopped, PlayStateRules::Media::EndOfMedia,
                               0, 0};
const Observation kInvalid {PlayStateRules::Playback::Stopped, PlayStateRules::Media::Invalid, 0,
                            0};

const QString kUrl = u"http://127.0.0.1/music/a.wav"_s;

struct Case {
    const char *name;
    std::function<void(PlayStateRules &)> steps;
    PlayState state;
    QString status;
};

} // namespace

class PlayStateRulesTest : public QObject {
    Q_OBJECT

private slots:
    void statesAndTexts();
};

void PlayStateRulesTest::statesAndTexts()
{
    const auto observe = [](const QList<Observation> &seen) {
        return [seen](PlayStateRules &rules) {
            rules.assign(kUrl);
            for (const Observation &now : seen)
                rules.update(now);
        };
    };
    // Plays to 900 ms and on through `more` positions, then Qt reports the end of the media
    const auto endAfter = [&](PlayStateRules &rules, const QList<qint64> &more) {
        observe({kPlaying})(rules);
        rules.notePosition(900);
        for (const qint64 position : more)
            rules.notePosition(position);
        rules.notePosition(kEnded.position);
        rules.update(kEnded);
    };
    const Case cases[] = {
        {"nothing assigned", [](PlayStateRules &) {}, PlayState::Undefined, u"就绪"_s},
        {"connecting", observe({kLoading}), PlayState::Buffering, u"正在连接…"_s},
        {"playing", observe({kLoading, kPlaying}), PlayState::Playing, u"正在播放：晚风"_s},
        {"stalled", observe({kPlaying, kStalled}), PlayState::Buffering, u"正在缓冲…"_s},
        {"paused", observe({kPlaying, kPaused}), PlayState::Paused, u"已暂停"_s},
        {"a passing stop is no end", observe({kPlaying, kPassingStop}), PlayState::Playing,
         u"正在播放：晚风"_s},
        {"end of the media", observe({kPlaying, kEnded}), PlayState::Stopped, u"已停止"_s},
        // FFmpeg's backend reports the whole length as the position at any end of a stream
        {"an end after playing through", [&](PlayStateRules &rules) { endAfter(rules, {3900}); },
         PlayState::Stopped, u"已停止"_s},
        {"a stream that broke off", [&](PlayStateRules &rules) { endAfter(rules, {}); },
         PlayState::Ready, u"错误：网络连接失败"_s},
        {"a seek to the end",
         [&](PlayStateRules &rules) {
             observe({kPlaying})(rules);
             rules.noteSeek(4000);
             rules.notePosition(4000);
             rules.update(kEnded);
         },
         PlayState::Stopped, u"已停止"_s},
        {"an end with nothing played", observe({kLoading, kEndedEmpty}), PlayState::Ready,
         u"错误：媒体中没有可播放的内容"_s},
        {"invalid media", observe({kLoading, kInvalid}), PlayState::Ready,
         u"错误：无法播放该媒体"_s},
        {"the user's stop",
         [&](PlayStateRules &rules) {
             observe({kPlaying})(rules);
             rules.requestStop();
             rules.update(kPassingStop);
         },
         PlayState::Stopped, u"已停止"_s},
        {"a refused address",
         [](PlayStateRules &rules) {
             rules.assign(u"file:///etc/passwd"_s, u"不支持的地址"_s);
             rules.update({});
         },
         PlayState::Ready, u"错误：不支持的地址"_s},
        {"the first error counts",
         [&](PlayStateRules &rules) {
             observe({kLoading})(rules);
             rules.takeError(PlayStateRules::Error::Resource, PlayStateRules::Media::Loading);
             rules.takeError(PlayStateRules::Error::Format, PlayStateRules::Media::Loading);
             rules.update(kInvalid);
         },
         PlayState::Ready, u"错误：无法打开该地址"_s},
        {"a resource error after data arrived",
         [&](PlayStateRules &rules) {
             observe({kPlaying})(rules);
             rules.takeError(PlayStateRules::Error::Resource, PlayStateRules::Media::Buffered);
             rules.update(kPassingStop);
         },
         PlayState::Ready, u"错误：无法解码该媒体"_s},
        {"errors while the source changes belong to the old one",
         [&](PlayStateRules &rules) {
             observe({kPlaying})(rules);
             rules.setChangingSource(true);
             rules.takeError(PlayStateRules::Error::Network, PlayStateRules::Media::Loading);
             rules.update(kInvalid);
             rules.setChangingSource(false);
             rules.update(kLoading);
         },
         PlayState::Buffering, u"正在连接…"_s},
        {"a new address forgets the old failure",
         [&](PlayStateRules &rules) {
             observe({kInvalid})(rules);
             observe({kPlaying})(rules);
         },
         PlayState::Playing, u"正在播放：晚风"_s},
        {"no address after one",
         [&](PlayStateRules &rules) {
             observe({kPlaying})(rules);
             rules.assign(QString());
             rules.update({});
         },
         PlayState::Ready, u"就绪"_s},
    };
    for (const Case &c : cases) {
        PlayStateRules rules;
        c.steps(rules);
        QVERIFY2(rules.state() == c.state, c.name);
        QVERIFY2(rules.statusText(u"晚风"_s) == c.status, c.name);
    }
}

QTEST_GUILESS_MAIN(PlayStateRulesTest)
#include "test_playstaterules.moc"
