#include "settingsdialog.h"

#include "settings/settingsstore.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

namespace {

QCheckBox *checkBox(QWidget &dialog, const QString &name, const QString &caption)
{
    auto *const box = new QCheckBox(caption, &dialog);
    box->setObjectName(name);
    return box;
}

} // namespace

SettingsDialog::SettingsDialog(SettingsStore &settings, QWidget *parent)
    : QDialog(parent), m_settings(settings)
{
    setObjectName(u"SettingsDialog"_s);
    setWindowTitle(u"设置"_s);
    m_exitPage = checkBox(*this, u"exitPageBox"_s, u"退出时打开网页"_s);
    m_minimiseToTray = checkBox(*this, u"minimiseToTrayBox"_s, u"关闭窗口时最小化到托盘"_s);
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        m_minimiseToTray->setEnabled(false);
        m_minimiseToTray->setToolTip(u"此桌面没有系统托盘"_s);
    }
    auto *const buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *const layout = new QVBoxLayout(this);
    layout->addWidget(createStartChoice());
    layout->addWidget(m_exitPage);
    layout->addLayout(createFolderRow());
    layout->addWidget(m_minimiseToTray);
    layout->addWidget(buttons);

    connect(m_exitPage, &QCheckBox::toggled, &m_settings, &SettingsStore::setExitPage);
    connect(m_minimiseToTray, &QCheckBox::toggled, &m_settings, &SettingsStore::setMinimiseToTray);
    connect(m_startChoice, &QButtonGroup::idClicked, this,
            [this](int id) { m_settings.setStartAction(SettingsStore::StartAction(id)); });
}

QWidget *SettingsDialog::createStartChoice()
{
    auto *const group = new QGroupBox(u"启动时"_s, this);
    group->setObjectName(u"startGroup"_s);
    auto *const layout = new QVBoxLayout(group);
    m_startChoice = new QButtonGroup(group);
    const std::pair<SettingsStore::StartAction, QString> choices[] {
        {SettingsStore::StartAction::BackgroundMusic, u"播放背景音乐"_s},
        {SettingsStore::StartAction::LastSong, u"回到上次的歌曲"_s},
        {SettingsStore::StartAction::Nothing, u"不播放"_s},
    };
    for (const auto &[action, caption] : choices) {
        auto *const choice = new QRadioButton(caption, group);
        choice->setObjectName(u"start"_s + QString::number(int(action)));
        m_startChoice->addButton(choice, int(action));
        layout->addWidget(choice);
    }
    return group;
}

QLayout *SettingsDialog::createFolderRow()
{
    auto *const label = new QLabel(u"下载文件夹："_s, this);
    label->setObjectName(u"folderLabel"_s);
    label->setTextFormat(Qt::PlainText);
    m_folder = new QLineEdit(this);
    m_folder->setObjectName(u"folderBox"_s);
    m_folder->setReadOnly(true);
    m_folder->setMinimumWidth(240);
    label->setBuddy(m_folder);
    auto *const choose = new QPushButton(u"选择…"_s, this);
    choose->setObjectName(u"chooseFolderButton"_s);
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, &SettingsDialog::chooseFolder);
    connect(&m_settings, &SettingsStore::saveFolderChanged, m_folder, &QLineEdit::setText);

    auto *const row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_folder, 1);
    row->addWidget(choose);
    return row;
}

void SettingsDialog::chooseFolder()
{
    auto *const dialog = new QFileDialog(this, u"选择下载文件夹"_s, m_settings.saveFolder());
    dialog->setObjectName(u"folderDialog"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    connect(dialog, &QFileDialog::fileSelected, &m_settings, &SettingsStore::setSaveFolder);
    dialog->open();
}

void SettingsDialog::showSettings()
{
    m_startChoice->button(int(m_settings.startAction()))->setChecked(true);
    m_exitPage->setChecked(m_settings.exitPage());
    m_folder->setText(m_settings.saveFolder());
    m_folder->setCursorPosition(0);
    m_minimiseToTray->setChecked(m_settings.minimiseToTray());
}

void SettingsDialog::bringUp()
{
    showSettings();
    open();
}
