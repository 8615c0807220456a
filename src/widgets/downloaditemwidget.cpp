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

// The bar counts in per mille, so that files beyond 2 GiB fit its int range.
constexpr int kBarRange = 1000;

// The button that tries again, by what it does with the data kept
const QString kResumeCaption = u"继续"_s;
const QString kRetryCaption = u"重试"_s;

QLabel *plainLabel(const QString &text, const QString &name, QWidget *parent)
{
    // Names come from servers: never let them be read as rich text.
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QPushButton *button(const QString &caption, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

DownloadItemWidget::DownloadItemWidget(const QString &fileName, QWidget *parent)
    : QWidget(parent), m_name(plainLabel(fileName, u"fileName"_s, this)),
      m_progress(new QProgressBar(this)), m_status(plainLabel(QString(), u"status"_s, this)),
      m_cancel(button(u"取消"_s, u"cancel"_s, this)),
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
    setRunning();
}

QString DownloadItemWidget::fileName() const
{
    return m_name->text();
}

QString DownloadItemWidget::statusText() const
{
    return m_status->text();
}

void DownloadItemWidget::setRunning()
{
    // The length is unknown until the response arrives: show a busy bar until then.
    m_progress->setRange(0, 0);
    enterState(State::Running, u"正在下载…"_s);
}

void DownloadItemWidget::setProgress(qint64 received, qint64 total)
{
    if (total <= 0) {
        m_progress->setRange(0, 0);
        return;
    }
    m_progress->setRange(0, kBarRange);
    m_progress->setValue(int(std::clamp<qint64>(received * kBarRange / total, 0, kBarRange)));
}

void DownloadItemWidget::setCompleted()
{
    m_progress->setRange(0, kBarRange);
    m_progress->setValue(kBarRange);
    enterState(State::Completed, u"已完成"_s);
}

void DownloadItemWidget::setFailed(const QString &reason, Retry retry)
{
    // The bar keeps showing the data that a resume goes on from, and only that.
    stopBusyBar(retry == Retry::Resume);
    m_resume->setText(retry == Retry::Resume ? kResumeCaption : kRetryCaption);
    enterState(State::Failed, u"失败：%1"_s.arg(reason));
    m_resume->setVisible(retry != Retry::None);
}

void DownloadItemWidget::setCancelled()
{
    stopBusyBar(false);
    m_resume->setText(kRetryCaption);
    enterState(State::Cancelled, u"已取消"_s);
}

void DownloadItemWidget::stopBusyBar(bool keepProgress)
{
    if (m_progress->maximum() == 0 || !keepProgress) {
        m_progress->setRange(0, kBarRange);
        m_progress->setValue(0);
    }
}

void DownloadItemWidget::enterState(State state, const QString &status)
{
    m_state = state;
    m_status->setText(status);
    m_cancel->setVisible(state == State::Running);
    m_resume->setVisible(state == State::Failed || state == State::Cancelled);
    m_openFolder->setVisible(state == State::Completed);
    m_remove->setVisible(state != State::Running);

    // Style sheets read dynamic properties only when a widget is polished.
    const QString name
        = QString::fromLatin1(QMetaEnum::fromType<State>().valueToKey(int(state))).toLower();
    for (QWidget *widget : std::initializer_list<QWidget *> {m_status, m_progress}) {
        widget->setProperty("state", name);
        widget->style()->unpolish(widget);
        widget->style()->polish(widget);
    }
}
