#pragma once

// Stand-ins for what the logic drives outside itself, so that it can be driven without a window.

#include "controls/mediaplayer.h"
#include "controls/messagebox.h"
#include "controls/shell.h"
#include "controls/skinning.h"

#include <QMap>
#include <QStringList>
#include <functional>

using namespace Qt::StringLiterals;

// Closed by the user as soon as it is shown
class FakeMessageBox : public MessageBox {
public:
    struct Shown {
        QString text, title;
        Icon icon;
        Buttons buttons;
    };
    QList<Shown> shown;
    void show(const QString &text, const QString &title, Icon icon, Buttons buttons,
              std::function<void()> closed) override
    {
        shown.append({text, title, icon, buttons});
        closed();
    }
};

class FakeShell : public Shell {
public:
    QStringList opened;
    void openAddress(const QString &address) override { opened.append(address); }
};

class FakeMediaPlayer : public MediaPlayer {
public:
    QStringList assigned;
    PlayState state = PlayState::Undefined;
    int volumeSetting = 50;
    QString failed;
    qint64 at = 0;
    int stops = 0;

    void setUrl(const QString &url) override { assigned.append(url); }
    QString url() const override { return assigned.value(assigned.size() - 1); }
    PlayState playState() const override { return state; }
    QString failure() const override { return failed; }
    void stop() override { state = PlayState::Stopped, at = 0, ++stops; }
    qint64 position() const override { return at; }
    void setPosition(qint64 milliseconds) override { at = milliseconds; }
    QString statusText() const override { return u"就绪"_s; }
    int volume() const override { return volumeSetting; }
    void setVolume(int volume) override { volumeSetting = volume; }
};

class FakeSkinning : public Skinning {
public:
    // "attach:<file>" and "glass:on" or "glass:off", in call order
    QStringList calls;
    void attachSkin(const QString &skinFile, const QString &) override
    {
        calls.append(u"attach:"_s + skinFile);
    }
    void setGlass(bool on) override { calls.append(on ? u"glass:on"_s : u"glass:off"_s); }
};
