#pragma once

#include <QObject>
#include <QString>

class QCompleter;
class QLineEdit;
class QMainWindow;
class SettingsDialog;
class SettingsStore;
class ShortcutsDialog;
struct MainWindowControls;

// What the window's menus open besides the list: "设置…", "键盘快捷键", "关于 Quillpod" and
// "清除搜索历史", and the keywords searched before, which the keyword box offers as the person
// types or presses Down
class WindowMenus : public QObject {
    Q_OBJECT

public:
    // `serviceAddress` is the service the program talks to, which the about box names
    WindowMenus(QMainWindow &window, const MainWindowControls &controls, SettingsStore &settings,
                const QString &serviceAddress);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void offerKeywords(const QStringList &keywords);
    void showAbout();

    QMainWindow &m_window;
    SettingsStore &m_settings;
    QString m_serviceAddress;
    QLineEdit *m_keywordBox;
    QCompleter *m_completer;
    SettingsDialog *m_settingsDialog;
    ShortcutsDialog *m_shortcutsDialog;
};
