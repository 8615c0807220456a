#pragma once

class AudioPlayer;
class DownloadWebView;
class MediaPlayerWidget;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QTimer;
class QWidget;
class ReportListView;
class StatusBarWidget;

// The controls of the window `Form1`, by the names its handlers use, and their design: kind,
// caption, place, size, font, tab order and the menus. The window owns them through Qt's
// parents; these are only the handles.
struct Form1Controls {
    // Timer1 shows the player's status this long after it or the list run changed
    static constexpr int kTickInterval = 1;

    // Builds every control in `window`, which becomes fixed in size and centred on the screen;
    // the player's strip shows `player`
    void createControls(QMainWindow &window, AudioPlayer &player);

    MediaPlayerWidget *WindowsMediaPlayer1 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QGroupBox *Frame1 = nullptr;
    ReportListView *ListView1 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *Text4 = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *Text5 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command3 = nullptr;
    QLabel *lbl = nullptr;
    QLineEdit *Text6 = nullptr;
    StatusBarWidget *StatusBar1 = nullptr;
    DownloadWebView *WebBrowser1 = nullptr;
    QTimer *Timer1 = nullptr;
    QMenu *Menus = nullptr;
    QAction *BoLi = nullptr;
    // After the design's own items: opens the downloads list, also by Ctrl+J
    QAction *DownloadsList = nullptr;
    QMenu *Memu = nullptr;
    QAction *Players = nullptr;
    QAction *DOl = nullptr;

private:
    void createClientArea(QWidget &client, AudioPlayer &player);
    void createDetailBoxes(QWidget &client);
    void createMenus(QMainWindow &window);
    void setTabOrder();
    static void fixSize(QMainWindow &window);
};
