#pragma once

#include "app/application.h"
#include "app/environment.h"
#include "app/mainwindow.h"
#include "benchoptions.h"
#include "fakes.h"
#include "songlist/songlistmodel.h"

#include <memory>

class AudioPlayer;
class SkinLibrary;
class ReportListView;
class StatusBarWidget;

// The program's window pointed at a benchmark's service, with the shell and the message box
// replaced so that nothing leaves the process. With `programDir`, the folder that holds the skin
// file, the window is skinned as the program's is (by `skinning` when given); without, the skin
// is a fake.
class BenchWindow {
public:
    explicit BenchWindow(const QString &serviceBase, const QString &programDir = {},
                         Skinning *skinning = nullptr);
    // At the service and with the skin folder the command line names
    explicit BenchWindow(const BenchOptions &options, Skinning *skinning = nullptr);
    ~BenchWindow();

    Application &app() const { return *m_app; }
    MainWindow &window() const { return m_app->window(); }
    ReportListView &list() const;
    // The song list as the logic owns it: rows counted from 0
    SongListModel &songs() const { return m_app->songList(); }
    AudioPlayer &player() const;
    StatusBarWidget &status() const;

    // Start-up as the program does it, waited for; false when it did not end in time
    bool load();
    // Waits until the list run that goes on has ended; false when it failed or did not end
    bool waitForListRun();
    // Runs a list run from its first page's URL, as the callers do, and waits for its end
    bool runList(const QString &firstUrl);
    // The pages the last list run fetched
    int pagesOfLastRun() const { return m_pages; }
    // Shows the window and waits until it is on screen
    bool showAndWait();
    // Start-up as the program does it, then the player silenced and the window shown; false when
    // the window did not come on screen or the list stayed empty
    bool startQuietly();
    // Leaves the player with no address, so that no playback runs beside a measurement
    void silencePlayer();

    template<typename T> T *child(const QString &name) const
    {
        return window().findChild<T *>(name);
    }

private:
    Environment m_environment;
    int m_pages = 0;
    FakeShell m_shell;
    FakeMessageBox m_messageBox;
    FakeSkinning m_fakeSkinning;
    std::unique_ptr<SkinLibrary> m_skinLibrary;
    std::unique_ptr<Application> m_app;
};
