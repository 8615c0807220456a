#pragma once

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class SettingsStore;

// "设置": what start-up plays, the exit page, the download folder and the tray. Every change
// is kept at once; the dialog only shows the store.
class SettingsDialog : public QDialog {
    Q_OBJECT

public:
    SettingsDialog(SettingsStore &settings, QWidget *parent);

    // Shows what is kept now and opens, window-modal
    void bringUp();

private:
    QWidget *createStartChoice();
    QLayout *createFolderRow();
    void chooseFolder();
    void showSettings();

    SettingsStore &m_settings;
    QButtonGroup *m_startChoice = nullptr;
    QCheckBox *m_exitPage = nullptr;
    QLineEdit *m_folder = nullptr;
    QCheckBox *m_minimiseToTray = nullptr;
};
