#pragma once

class AudioPlayer;
class MediaPlayerWidget;
class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QStackedLayout;
class QTimer;
class QWidget;
class ReportListView;
class StatusBarWidget;

// The controls of the window `MainWindow`, by the names its handlers use, and their design: kind,
// caption, layout, font, tab order and the menus. The window owns them through Qt's
// parents; these are only the handles.
struct MainWindowControls {
    // statusTimer shows the player's status this long after it or the list run changed
    static constexpr int kTickInterval = 1;

    // Builds every control in `window`, which opens where it was last closed, or at its default
    // size centred on the screen; the player's strip shows `player`
    void createControls(QMainWindow &window, AudioPlayer &player);
    // Records the window's size and place for the next run
    static void rememberPlace(const QMainWindow &window);

    MediaPlayerWidget *playerStrip = nullptr;
    QLabel *keywordLabel = nullptr;
    QLineEdit *keywordBox = nullptr;
    QPushButton *searchButton = nullptr;
    QPushButton *siteButton = nullptr;
    QGroupBox *songListFrame = nullptr;
    ReportListView *songList = nullptr;
    // The song list, or a kept list in its place
    QStackedLayout *songListStack = nullptr;
    QLabel *titleLabel = nullptr;
    QLineEdit *titleBox = nullptr;
    QLabel *songIdLabel = nullptr;
    QLineEdit *songIdBox = nullptr;
    QLabel *serialLabel = nullptr;
    QLineEdit *serialBox = nullptr;
    QLabel *linkLabel = nullptr;
    QLineEdit *linkBox = nullptr;
    QPushButton *downloadButton = nullptr;
    QLabel *rawLinkLabel = nullptr;
    QLineEdit *rawLinkBox = nullptr;
    StatusBarWidget *statusBarWidget = nullptr;
    QTimer *statusTimer = nullptr;
    QMenu *mainMenu = nullptr;
    QAction *glassAction = nullptr;
    // "播放模式": one checkable item for each play mode, their data the mode
    QMenu *playModeMenu = nullptr;
    QActionGroup *playModeGroup = nullptr;
    // After the design's own items: opens the downloads list, also by Ctrl+J
    QAction *downloadsListAction = nullptr;
    // The settings dialog (Ctrl+,), forgetting the keywords searched, and the end of the program
    // (Ctrl+Q)
    QAction *settingsAction = nullptr;
    QAction *clearHistoryAction = nullptr;
    QAction *quitAction = nullptr;
    QMenu *helpMenu = nullptr;
    QAction *shortcutsAction = nullptr;
    QAction *aboutAction = nullptr;
    // Keys of the window that no menu shows: Ctrl+F goes to the search, Ctrl+L shows the
    // playing row, F5 loads the default list again
    QAction *findAction = nullptr;
    QAction *playingRowAction = nullptr;
    QAction *reloadAction = nullptr;
    QMenu *songMenu = nullptr;
    QAction *playAction = nullptr;
    QAction *downloadAction = nullptr;
    // "收藏" or "取消收藏", for the selected row
    QAction *favouriteAction = nullptr;

private:
    void createClientArea(QWidget &client, AudioPlayer &player);
    void createDetailBoxes(QWidget &client);
    void createMenus(QMainWindow &window);
    void createPlayModeMenu();
    void layOut(QWidget &client);
    void setTabOrder();
    static void restorePlace(QMainWindow &window);
};
