#pragma once

#include "instancecommand.h"

#include <QDBusConnection>
#include <memory>

class Form1;
class MprisService;
class SingleInstance;
class SongNotifier;

// The window's place on the desktop: the media controls of the sound menu and the media keys
// (MPRIS), notifications of songs that begin while the user looks elsewhere, and the commands
// of later starts of the program. Without a session bus only the last of these remains.
class DesktopIntegration {
public:
    DesktopIntegration(Form1 &window, const QDBusConnection &bus);
    ~DesktopIntegration();

    DesktopIntegration(const DesktopIntegration &) = delete;
    DesktopIntegration &operator=(const DesktopIntegration &) = delete;

    // Takes the commands that later starts hand to `instance`
    void serve(SingleInstance &instance);
    void run(InstanceCommand command);

private:
    Form1 &m_window;
    std::unique_ptr<MprisService> m_mediaControls;
    std::unique_ptr<SongNotifier> m_notifier;
};
