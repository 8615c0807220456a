#include "downloadswindow.h"

#include "downloaditemwidget.h"

#include "controls/shell.h"
#include "downloads/downloadmanager.h"

#include <QFileInfo>
#include <QFrame>
#include <QKeySequence>
#include <QLabel>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr auto kGeometryKey = "downloads/window"_L1;
const QString kTitle = u"下载"_s;
const QString kEmpty = u"没有下载"_s;
constexpr QSize kFirstSize {420, 300};

} // namespace

DownloadsWindow::DownloadsWindow(DownloadManager &downloads, Shell &shell, QWidget *parent)
    : QWidget(parent, Qt::Window), m_downloads(downloads), m_shell(shell)
{
    setObjectName(u"DownloadsWindow"_s);
    // A plain widget draws the skin's background only when asked to
    setAttribute(Qt::WA_StyledBackground);
    setWindowTitle(kTitle);
    // A download still listed must not keep the program alive once the main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);
    if (!restoreGeometry(QSettings().value(kGeometryKey).toByteArray()))
        resize(kFirstSize);

    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *list = new QWidget(scroll);
    m_rows = new QVBoxLayout(list);
    m_emptyNote = new QLabel(kEmpty, list);
    m_emptyNote->setObjectName(u"emptyNote"_s);
    m_emptyNote->setAccessibleName(kEmpty);
    m_emptyNote->setAlignment(Qt::AlignCenter);
    m_emptyNote->setTextFormat(Qt::PlainText);
    m_rows->addWidget(m_emptyNote);
    m_rows->addStretch();
    scroll->setWidget(list);
    // The rows lie on the window's own background, which the skin colours
    scroll->viewport()->setAutoFillBackground(false);
    list->setAutoFillBackground(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    for (const QKeySequence &keys : {QKeySequence(Qt::Key_Escape), QKeySequence(u"Ctrl+W"_s)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);

    for (const int id : m_downloads.ids())
        addRow(id);
    showWhetherEmpty();
    showRunning(m_downloads.runningCount());
    connect(&m_downloads, &DownloadManager::added, this, &DownloadsWindow::addRow);
    connect(&m_downloads, &DownloadManager::changed, this, &DownloadsWindow::updateRow);
    connect(&m_downloads, &DownloadManager::removed, this, &DownloadsWindow::removeRow);
    connect(&m_downloads, &DownloadManager::runningCountChanged, this,
            &DownloadsWindow::showRunning);
    connect(&m_downloads, &DownloadManager::showRequested, this, &DownloadsWindow::showAndRaise);
}

DownloadsWindow::~DownloadsWindow()
{
    // The program may end with the window open
    if (isVisible())
        rememberPlace();
}

void DownloadsWindow::showAndRaise()
{
    show();
    raise();
}

void DownloadsWindow::bringUp()
{
    showAndRaise();
    activateWindow();
}

void DownloadsWindow::hideEvent(QHideEvent *event)
{
    rememberPlace();
    QWidget::hideEvent(event);
}

void DownloadsWindow::rememberPlace()
{
    QSettings().setValue(kGeometryKey, saveGeometry());
}

void DownloadsWindow::addRow(int id)
{
    auto *row = new DownloadItemWidget(m_rows->parentWidget());
    m_rows->insertWidget(m_rows->count() - 1, row); // above the closing stretch
    m_rowOf.insert(id, row);
    connect(row, &DownloadItemWidget::cancelRequested, this,
            [this, id] { m_downloads.cancel(id); });
    connect(row, &DownloadItemWidget::resumeRequested, this, [this, id] { m_downloads.retry(id); });
    connect(row, &DownloadItemWidget::removeRequested, this,
            [this, id] { m_downloads.remove(id); });
    connect(row, &DownloadItemWidget::openFolderRequested, this, [this, id] { openFolder(id); });
    updateRow(id);
    showWhetherEmpty();
}

void DownloadsWindow::updateRow(int id)
{
    DownloadItemWidget *row = m_rowOf.value(id);
    if (const DownloadManager::Item *item = m_downloads.item(id); row && item)
        row->render(*item);
}

void DownloadsWindow::removeRow(int id)
{
    DownloadItemWidget *row = m_rowOf.take(id);
    if (!row)
        return;
    // The row may be the sender of the click that removes it: delete it once that is over.
    m_rows->removeWidget(row);
    row->hide();
    row->deleteLater();
    showWhetherEmpty();
}

void DownloadsWindow::showWhetherEmpty()
{
    m_emptyNote->setVisible(m_rowOf.isEmpty());
}

void DownloadsWindow::showRunning(int count)
{
    setWindowTitle(count > 0 ? u"%1 (%2)"_s.arg(kTitle).arg(count) : kTitle);
}

void DownloadsWindow::openFolder(int id)
{
    if (const DownloadManager::Item *item = m_downloads.item(id)) {
        const QString folder = QFileInfo(item->path).absolutePath();
        m_shell.openAddress(QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded));
    }
}

QList<DownloadItemWidget *> DownloadsWindow::items() const
{
    QList<DownloadItemWidget *> rows;
    for (int i = 0; i < m_rows->count(); ++i) {
        if (auto *item = qobject_cast<DownloadItemWidget *>(m_rows->itemAt(i)->widget()))
            rows.append(item);
    }
    return rows;
}
