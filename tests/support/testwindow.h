#pragma once

#include "app/application.h"
#include "app/mainwindow.h"
#include "fakes.h"
#include "songlist/songlistmodel.h"

#include <QString>
#include <chrono>
#include <memory>

class AudioPlayer;
class MediaPlayerWidget;
class QLineEdit;
class QPushButton;
class ReportListView;
class StatusBarWidget;

// An offscreen MainWindow wired to a test's catalogue service. Nothing leaves the process: the
// shell, the message box and the skin library are fakes, and closing the window only counts
// the end of the program unless the test asks for the real one.
class TestWindow {
public:
    enum class ProgramEnd { Counted, Real };
    // The unit of the pauses between probes of a service out of reach, before the time scale:
    // a tenth of the program's, so that an outage is waited out within a test
    static constexpr std::chrono::milliseconds kRetryUnit {100};

    explicit TestWindow(const QString &serviceBase,
                        std::chrono::milliseconds transferTimeout = std::chrono::seconds(30),
                        ProgramEnd programEnd = ProgramEnd::Counted,
                        std::chrono::milliseconds textDeadline = std::chrono::seconds(60));
    ~TestWindow();

    TestWindow(const TestWindow &) = delete;
    TestWindow &operator=(const TestWindow &) = delete;

    Application &app() const { return *m_app; }
    MainWindow &window() const { return m_app->window(); }
    SongListModel &songs() const { return m_app->songList(); }
    // Starts the window as the program does and waits until it has loaded; false if it never does
    bool load() const;
    // A list run goes on, and nobody has asked it to stop
    bool listRunning() const;
    // Waits until no list run waits for a page any more; false if one still does
    bool waitForListRun() const;
    // Shows the window and waits until it is exposed; false if it never is
    bool show() const;

    template<typename T> T *child(const QString &name) const
    {
        return window().findChild<T *>(name);
    }
    ReportListView *list() const;
    StatusBarWidget *status() const;
    AudioPlayer *player() const;
    // The player's control strip
    MediaPlayerWidget *playerStrip() const;
    QLineEdit *box(const QString &name) const;
    QPushButton *button(const QString &name) const;
    QString caption() const;
    QString panel(int number) const;

    // Mouse clicks on a 1-based row of the list shown, each waited for until the links it asked for
    // have come or failed; the window must be shown
    void clickRow(int row) const;
    void doubleClickRow(int row) const;
    // Waits until no choice of a song waits for its links any more; false if one still does
    bool waitForSongChoice() const;

    FakeShell shell;
    FakeMessageBox messageBox;
    FakeSkinning skinning;
    int programEnds = 0;

private:
    std::unique_ptr<Application> m_app;
};
