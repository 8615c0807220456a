#include "downloadswindow.h"

#include "downloaditemwidget.h"

#include <QFrame>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

DownloadsWindow::DownloadsWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(u"DownloadsWindow"_s);
    // A plain widget draws the skin's background only when asked to
    setAttribute(Qt::WA_StyledBackground);
    setWindowTitle(u"下载"_s);
    // A download still listed must not keep the program alive once the main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(420, 300);

    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *list = new QWidget(scroll);
    m_rows = new QVBoxLayout(list);
    m_rows->addStretch();
    scroll->setWidget(list);
    // The rows lie on the window's own background, which the skin colours
    scroll->viewport()->setAutoFillBackground(false);
    list->setAutoFillBackground(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

DownloadItemWidget *DownloadsWindow::addItem(const QString &fileName)
{
    auto *item = new DownloadItemWidget(fileName, m_rows->parentWidget());
    m_rows->insertWidget(m_rows->count() - 1, item); // above the closing stretch
    // A window shown now opens in front; one already open may be behind the main window.
    const bool wasVisible = isVisible();
    show();
    if (wasVisible)
        raise();
    return item;
}

void DownloadsWindow::removeItem(DownloadItemWidget *item)
{
    // The row may be the sender of the click that removes it: delete it once that is over.
    m_rows->removeWidget(item);
    item->hide();
    item->deleteLater();
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
