#pragma once

#include <QDBusConnection>
#include <memory>

class Form1;
class MprisService;
class SongNotifier;

// The window's place on the desktop: the media controls of the sound menu and the media keys
// (MPRIS), and notifications of songs that begin while the user looks elsewhere. Without a
// session bus there is neither.
class DesktopIntegration {
public:
    DesktopIntegration(Form1 &window, const QDBusConnection &bus);
    ~DesktopIntegration();

    DesktopIntegration(const DesktopIntegration &) = delete;
    DesktopIntegration &operator=(const DesktopIntegration &) = delete;

private:
    std::unique_ptr<MprisService> m_mediaControls;
    std::unique_ptr<SongNotifier> m_notifier;
};
