#include "windowmenus.h"

#include "mainwindowcontrols.h"
#include "settingsdialog.h"
#include "shortcutsdialog.h"

#include "buildconfig.h"
#include "settings/settingsstore.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QStringListModel>

using namespace Qt::StringLiterals;

namespace {

// The program's licence, as its package states it
const QString kLicence = u"GNU 通用公共许可证第 3 版或更高版本（GPL-3.0-or-later）"_s;

} // namespace

WindowMenus::WindowMenus(QMainWindow &window, const MainWindowControls &controls,
                         SettingsStore &settings, const QString &serviceAddress)
    : QObject(&window), m_window(window), m_settings(settings), m_serviceAddress(serviceAddress),
      m_keywordBox(controls.keywordBox),
      m_completer(new QCompleter(new QStringListModel(this), this)),
      m_settingsDialog(new SettingsDialog(settings, &window)),
      m_shortcutsDialog(new ShortcutsDialog(window))
{
    // The newest first, found by any part of the keyword
    m_completer->setObjectName(u"keywordCompleter"_s);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setFilterMode(Qt::MatchContains);
    m_completer->setModelSorting(QCompleter::UnsortedModel);
    m_keywordBox->setCompleter(m_completer);
    m_keywordBox->installEventFilter(this);
    offerKeywords(settings.searchHistory());
    connect(&settings, &SettingsStore::searchHistoryChanged, this, &WindowMenus::offerKeywords);

    connect(controls.settingsAction, &QAction::triggered, m_settingsDialog,
            &SettingsDialog::bringUp);
    connect(controls.shortcutsAction, &QAction::triggered, m_shortcutsDialog,
            &ShortcutsDialog::bringUp);
    connect(controls.aboutAction, &QAction::triggered, this, &WindowMenus::showAbout);
    connect(controls.clearHistoryAction, &QAction::triggered, &settings,
            &SettingsStore::clearSearchHistory);
}

void WindowMenus::offerKeywords(const QStringList &keywords)
{
    static_cast<QStringListModel *>(m_completer->model())->setStringList(keywords);
}

bool WindowMenus::eventFilter(QObject *watched, QEvent *event)
{
    // Down opens the keywords searched before, all of them while the box is empty
    if (watched == m_keywordBox && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Down
        && !m_completer->popup()->isVisible()) {
        m_completer->setCompletionPrefix(m_keywordBox->text());
        m_completer->complete();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void WindowMenus::showAbout()
{
    auto *const box = new QMessageBox(QMessageBox::Information, u"关于 Quillpod"_s,
                                      u"Quillpod %1\n\n许可证：%2\n服务地址：%3"_s.arg(
                                          QString::fromUtf8(kVersion), kLicence, m_serviceAddress),
                                      QMessageBox::Ok, &m_window);
    box->setObjectName(u"aboutBox"_s);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
