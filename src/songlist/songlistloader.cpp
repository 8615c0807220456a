#include "songlistloader.h"

#include "listfinishing.h"
#include "pagecutting.h"
#include "searchstate.h"

#include "common/constants.h"
#include "common/failure.h"
#include "common/logging.h"
#include "controls/commandcaption.h"
#include "controls/reportlist.h"
#include "controls/statuspanels.h"
#include "net/requestforms.h"
#include "net/textfetcher.h"
#include "net/urltexts.h"

#include <QLocale>
#include <QScopeGuard>

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

SongListLoader::SongListLoader(SearchState &state, const UrlTexts &urls, TextFetcher &fetcher,
                               ReportList &list, StatusPanels &status, CommandCaption &caption,
                               EventDispatch &dispatch)
    : m_state(state), m_urls(urls), m_fetcher(fetcher), m_list(list), m_status(status),
      m_caption(caption), m_dispatch(dispatch)
{
}

void SongListLoader::LoadSongList(const QString &firstUrl, const QString &encodedKeyword)
{
    const quint64 run = ++m_state.runSerial;
    m_lastFailure.clear();
    // The list may show appended rows a little later; however the run ends, it shows them all
    const auto showAllRows = qScopeGuard([this] { m_list.refresh(); });
    QString url = firstUrl;
    const std::optional<QString> failure = failureOf([&] {
        while (loadPage(run, url, encodedKeyword)) { }
    });
    // A newer run that started and ended inside one of this run's waits owns the list and the
    // shared state now: this run must not touch them again.
    if (failure && m_state.runSerial == run)
        endOnFailure(*failure);
}

bool SongListLoader::loadPage(quint64 run, QString &url, const QString &encodedKeyword)
{
    if (!m_state.Searching) {
        endInOrder(false);
        return false;
    }
    const QString page = m_fetcher.FetchText(url, u"utf-8"_s);
    if (m_state.runSerial != run)
        return false;
    if (m_state.FetchPhase == 1) {
        m_state.FetchPhase = 5;
        m_state.TotalPagesText = ReadTotalPages(page);
    }
    if (!page.contains(u']')) {
        endInOrder(false);
        return false;
    }
    AddPageRows(page, m_list);
    if (totalPages(m_state.TotalPagesText) <= m_state.CurrentPage) {
        endInOrder(true);
        return false;
    }
    url = nextPageUrl(encodedKeyword);
    return true;
}

QString SongListLoader::nextPageUrl(const QString &encodedKeyword)
{
    if (m_state.CurrentPage == std::numeric_limits<qint32>::max())
        throw Failure(u"页码超出范围"_s);
    m_state.FetchPhase = 5;
    ++m_state.CurrentPage;
    const QString url = furtherPageUrl(encodedKeyword);
    m_status.setPanelText(
        1,
        u"共%1页,正在查找第%2页资源信息。"_s.arg(m_state.TotalPagesText).arg(m_state.CurrentPage));
    m_status.setPanelText(2,
                          u"正在分析数据，请稍候。。当前已经找到：%1条资源"_s.arg(m_list.count()));
    return url;
}

QString SongListLoader::furtherPageUrl(const QString &encodedKeyword) const
{
    const QString page = QString::number(m_state.CurrentPage);
    if (encodedKeyword.isEmpty())
        return m_urls.text(UrlTexts::ListPagePrefix) + page + m_urls.text(UrlTexts::ListPageSuffix);
    return m_urls.text(UrlTexts::SearchFirstPage) + encodedKeyword + RequestForms::kPageKey + page
        + RequestForms::kSearchSuffix;
}

void SongListLoader::endInOrder(bool lastPage)
{
    m_state.Searching = false;
    m_caption.setCaption(Captions::kSearch);
    m_state.CurrentPage = 1;
    m_status.setPanelText(1, u"搜索结束"_s);
    m_status.setPanelText(2, u"共找到：%1条资源"_s.arg(m_list.count()));
    if (lastPage)
        m_state.FetchPhase = 1;
    FinishSongList(m_list, m_dispatch);
}

void SongListLoader::endOnFailure(const QString &reason)
{
    // The run says why it ended and gives the button back; the rows it found stay and are
    // finished like those of any run.
    qCWarning(lcSongList) << "List run failed:" << reason;
    m_lastFailure = reason;
    m_state.Searching = false;
    m_caption.setCaption(Captions::kSearch);
    m_state.CurrentPage = 1;
    m_state.FetchPhase = 1;
    m_status.setPanelText(1, u"搜索失败：%1"_s.arg(reason));
    m_status.setPanelText(2, u"共找到：%1条资源"_s.arg(m_list.count()));
    FinishSongList(m_list, m_dispatch);
}
