#include "downloaditemwidget.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QLabel *plainLabel(const QString &text, QWidget *parent)
{
    // Names come from servers: never let them be read as rich text.
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

} // namespace

DownloadItemWidget::DownloadItemWidget(const QString &fileName, QWidget *parent)
    : QWidget(parent), m_name(plainLabel(fileName, this)), m_progress(new QProgressBar(this)),
      m_status(plainLabel(u"正在下载…"_s, this)), m_cancel(new QPushButton(u"取消"_s, this))
{
    m_name->setObjectName(u"fileName"_s);
    m_progress->setObjectName(u"progress"_s);
    m_status->setObjectName(u"status"_s);
    m_cancel->setObjectName(u"cancel"_s);

    // The length is unknown until the response arrives: show a busy bar until then.
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_name, 0, 0, 1, 2);
    layout->addWidget(m_progress, 1, 0);
    layout->addWidget(m_cancel, 1, 1);
    layout->addWidget(m_status, 2, 0, 1, 2);

    connect(m_cancel, &QPushButton::clicked, this, &DownloadItemWidget::cancelRequested);
}

QString DownloadItemWidget::fileName() const
{
    return m_name->text();
}

QString DownloadItemWidget::statusText() const
{
    return m_status->text();
}

void DownloadItemWidget::setProgress(qint64 received, qint64 total)
{
    if (total <= 0) {
        m_progress->setRange(0, 0);
        return;
    }
    // Per mille, so that files beyond 2 GiB fit the bar's int range.
    m_progress->setRange(0, 1000);
    m_progress->setValue(int(std::clamp<qint64>(received * 1000 / total, 0, 1000)));
}

void DownloadItemWidget::setCompleted()
{
    m_progress->setRange(0, 1000);
    m_progress->setValue(1000);
    end(u"已完成"_s);
}

void DownloadItemWidget::setFailed(const QString &reason)
{
    end(u"失败：%1"_s.arg(reason));
}

void DownloadItemWidget::setCancelled()
{
    end(u"已取消"_s);
}

void DownloadItemWidget::end(const QString &status)
{
    if (m_progress->maximum() == 0)
        m_progress->setRange(0, 1000); // stop the busy animation
    m_status->setText(status);
    m_cancel->setEnabled(false);
}
