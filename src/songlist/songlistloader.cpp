#include "songlistloader.h"

#include "pagecutting.h"
#include "songlistmodel.h"

#include "common/failure.h"
#include "common/logging.h"
#include "net/serviceurls.h"
#include "net/textfetcher.h"

#include <QLocale>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The total read from the first page, as a number; blanks around it and a fraction are fine
double totalPages(const QString &text)
{
    bool ok = false;
    const double total = QLocale::c().toDouble(QStringView(text).trimmed(), &ok);
    if (!ok || !std::isfinite(total))
        throw Failure(u"列表数据无法解析：总页数“%1”不是数字"_s.arg(text.left(40)));
    return total;
}

} // namespace

SongListLoader::SongListLoader(const ServiceUrls &urls, const TextFetcher &fetcher,
                               SongListModel &list, QObject *parent)
    : QObject(parent), m_urls(urls), m_fetcher(fetcher), m_list(list)
{
}

void SongListLoader::loadSongList(const QString &firstUrl, const QString &encodedKeyword)
{
    if (m_request)
        m_request->abort();
    const bool wasRunning = isRunning();
    m_state = State::Fetching;
    m_stopRequested = false;
    m_currentPage = 1;
    m_totalPagesText.clear();
    m_encodedKeyword = encodedKeyword;
    m_lastFailure.clear();
    reportRunning(wasRunning);
    fetchPage(firstUrl);
}

void SongListLoader::stop()
{
    if (m_state != State::Fetching)
        return;
    const bool wasRunning = isRunning();
    m_stopRequested = true;
    reportRunning(wasRunning);
}

void SongListLoader::abort()
{
    if (m_request)
        m_request->abort();
    m_state = State::Idle;
}

void SongListLoader::reportRunning(bool wasRunning)
{
    if (isRunning() != wasRunning)
        emit runningChanged(!wasRunning);
}

void SongListLoader::fetchPage(const QString &url)
{
    m_request = m_fetcher.fetchText(url, u"utf-8"_s, this);
    connect(m_request, &TextRequest::finished, this, &SongListLoader::takePage);
    connect(m_request, &TextRequest::failed, this, &SongListLoader::endOnFailure);
}

void SongListLoader::takePage(const QString &page)
{
    bool goesOn = false;
    if (const std::optional<QString> failure = failureOf([&] { goesOn = addPage(page); }))
        return endOnFailure(*failure);
    if (goesOn)
        moveOn();
}

bool SongListLoader::addPage(const QString &page)
{
    // Pages after the first are not searched for a header: the first page's total governs
    if (m_currentPage == 1)
        m_totalPagesText = readTotalPages(page);
    if (!page.contains(u']')) {
        endInOrder(false);
        return false;
    }
    addPageRows(page, m_list);
    if (totalPages(m_totalPagesText) <= m_currentPage) {
        endInOrder(true);
        return false;
    }
    if (m_currentPage == std::numeric_limits<qint32>::max())
        throw Failure(u"页码超出范围"_s);
    return true;
}

void SongListLoader::moveOn()
{
    ++m_currentPage;
    const QString url = furtherPageUrl();
    emit progress(m_totalPagesText, m_currentPage, m_list.size());
    // A stop asked for while this page was on its way takes effect here
    if (m_stopRequested)
        return endInOrder(false);
    fetchPage(url);
}

QString SongListLoader::furtherPageUrl() const
{
    if (m_encodedKeyword.isEmpty())
        return m_urls.defaultList(m_currentPage);
    return m_urls.search(m_encodedKeyword, m_currentPage);
}

void SongListLoader::endInOrder(bool lastPage)
{
    const bool wasRunning = isRunning();
    m_state = State::Finishing;
    reportRunning(wasRunning);
    m_list.finish();
    m_state = m_stopRequested && !lastPage ? State::Stopped : State::Idle;
    emit finished(m_list.size());
}

void SongListLoader::endOnFailure(const QString &reason, FailureKind kind)
{
    // The run says why it ended and gives the button back; the rows it found stay and are
    // finished like those of any run.
    qCWarning(lcSongList) << "List run failed:" << reason;
    m_lastFailure = reason;
    const bool wasRunning = isRunning();
    m_state = State::Finishing;
    reportRunning(wasRunning);
    m_list.finish();
    m_state = State::Failed;
    emit failed(reason, m_list.size(), kind);
}
