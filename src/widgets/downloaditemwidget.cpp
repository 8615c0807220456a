#include "downloaditemwidget.h"

#include <QGridLayout>
#include <QLabel>
#include <QMetaEnum>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <initializer_list>

using namespace Qt::StringLiterals;

namespace {

using State = DownloadManager::State;
using Retry = DownloadManager::Retry;

// The bar counts in per mille, so that files beyond 2 GiB fit its int range.
constexpr int kBarRange = 1000;

// The button that tries again, by what it does with the data kept
const QString kResumeCaption = u"继续"_s;
const QString kRetryCaption = u"重试"_s;

QLabel *plainLabel(const QString &name, QWidget *parent)
{
    // Names come from servers: never let them be read as rich text.
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton *button(const QString &caption, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QString statusOf(const DownloadManager::Item &item)
{
    switch (item.state) {
    case State::Running:
        return u"正在下载…"_s;
    case State::Waiting:
        return u"等待网络…"_s;
    case State::Completed:
        return u"已完成"_s;
    case State::Failed:
        return u"失败：%1"_s.arg(item.reason);
    case State::Interrupted:
        return u"已中断：程序退出时尚未下载完"_s;
    case State::Cancelled:
        return u"已取消"_s;
    }
    return {};
}

} // namespace

DownloadItemWidget::DownloadItemWidget(QWidget *parent)
    : QWidget(parent), m_name(plainLabel(u"fileName"_s, this)), m_progress(new QProgressBar(this)),
      m_status(plainLabel(u"status"_s, this)), m_cancel(button(u"取消"_s, u"cancel"_s, this)),
      m_resume(button(kRetryCaption, u"resume"_s, this)),
      m_openFolder(button(u"打开所在文件夹"_s, u"openFolder"_s, this)),
      m_remove(button(u"移除"_s, u"remove"_s, this))
{
    m_progress->setObjectName(u"progress"_s);
    m_progress->setTextVisible(false);

    // The name above, the bar and the buttons of the moment in one line, the state below. Buttons
    // that never show together share a place, so that the last one ends at the right edge.
    auto *layout = new QGridLayout(this);
    layout->addWidget(m_name, 0, 0, 1, -1);
    layout->addWidget(m_progress, 1, 0);
    layout->addWidget(m_resume, 1, 1);
    layout->addWidget(m_openFolder, 1, 1);
    layout->addWidget(m_cancel, 1, 2);
    layout->addWidget(m_remove, 1, 2);
    layout->addWidget(m_status, 2, 0, 1, -1);
    layout->setColumnStretch(0, 1);

    connect(m_cancel, &QPushButton::clicked, this, &DownloadItemWidget::cancelRequested);
    connect(m_resume, &QPushButton::clicked, this, &DownloadItemWidget::resumeRequested);
    connect(m_openFolder, &QPushButton::clicked, this, &DownloadItemWidget::openFolderRequested);
    connect(m_remove, &QPushButton::clicked, this, &DownloadItemWidget::removeRequested);
}

QString DownloadItemWidget::fileName() const
{
    return m_name->text();
}

QString DownloadItemWidget::statusText() const
{
    return m_status->text();
}

void DownloadItemWidget::render(const DownloadManager::Item &item)
{
    m_name->setText(item.name);
    m_status->setText(statusOf(item));
    showProgress(item);
    showButtons(item);
    if (item.state != m_state || !m_status->property("state").isValid())
        showState(item.state);
}

void DownloadItemWidget::showProgress(const DownloadManager::Item &item)
{
    const bool known = item.total > 0;
    if (item.state == State::Running && !known) {
        // The length is unknown until the answer arrives: a busy bar until then
        m_progress->setRange(0, 0);
        return;
    }
    // A row that did not complete shows the data that a resume goes on from, and only that
    const bool shown = item.state == State::Running || item.retry == Retry::Resume;
    qint64 value = 0;
    if (item.state == State::Completed)
        value = kBarRange;
    else if (shown && known)
        value = std::clamp<qint64>(item.received * kBarRange / item.total, 0, kBarRange);
    m_progress->setRange(0, kBarRange);
    m_progress->setValue(int(value));
}

void DownloadItemWidget::showButtons(const DownloadManager::Item &item)
{
    // A download that waits for the service may be ended, or go on at once
    const bool running = item.state == State::Running;
    const bool busy = running || item.state == State::Waiting;
    m_cancel->setVisible(busy);
    m_resume->setText(item.retry == Retry::Resume ? kResumeCaption : kRetryCaption);
    m_resume->setVisible(!running && item.state != State::Completed && item.retry != Retry::None);
    m_openFolder->setVisible(item.state == State::Completed);
    m_remove->setVisible(!busy);
}

void DownloadItemWidget::showState(DownloadManager::State state)
{
    m_state = state;
    // Style sheets read dynamic properties only when a widget is polished.
    const QString name
        = QString::fromLatin1(QMetaEnum::fromType<DownloadManager::State>().valueToKey(int(state)))
              .toLower();
    for (QWidget *widget : std::initializer_list<QWidget *> {m_status, m_progress}) {
        widget->setProperty("state", name);
        widget->style()->unpolish(widget);
        widget->style()->polish(widget);
    }
}
