#include "songlistloader.h"

#include "listfinishing.h"
#include "pagecutting.h"
#include "searchstate.h"
#include "net/urltexts.h"

#include "common/failure.h"
#include "net/requestforms.h"
#include "net/textfetcher.h"
#include "controls/commandcaption.h"
#include "controls/reportlist.h"
#include "controls/statuspanels.h"

#include <QLocale>
#include <QScopeGuard>

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

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
    // A newer run that started and ended inside one of this run's waits owns the list now:
    // this run must not append its stale page or touch the shared state again.
    const auto superseded = [&] { return m_state.runSerial != run; };
    // The list may show appended rows a little later; however the run ends, it shows them all
    const auto showAllRows = qScopeGuard([this] { m_list.refresh(); });

    QString url = firstUrl;
    bool headerRead = false;
    try {
        for (;;) {
            if (!m_state.Searching) {
                endInOrder(false);
                return;
            }
            const QString page = m_fetcher.FetchText(url, u"utf-8"_s);
            if (superseded())
                return;
            if (m_state.FetchPhase == 1) {
                m_state.FetchPhase = 5;
                m_state.TotalPagesText = ReadTotalPages(page);
            }
            headerRead = true;

            if (!page.contains(u']')) {
                endInOrder(false);
                return;
            }
            AddPageRows(page, m_list);

            if (totalPages(m_state.TotalPagesText) > m_state.CurrentPage) {
                if (m_state.CurrentPage == std::numeric_limits<qint32>::max())
                    throw Failure(u"页码超出范围"_s);
                m_state.FetchPhase = 5;
                ++m_state.CurrentPage;
                url = furtherPageUrl(encodedKeyword);
                m_status.setPanelText(
                    1,
                    u"共%1页,正在查找第%2页资源信息。"_s.arg(m_state.TotalPagesText)
                        .arg(m_state.CurrentPage));
                m_status.setPanelText(
                    2, u"正在分析数据，请稍候。。当前已经找到：%1条资源"_s.arg(m_list.count()));
                continue;
            }
            endInOrder(true);
            return;
        }
    } catch (const Failure &failure) {
        // From the first page's header on, a failure ends the run where it stands. Before it,
        // nothing has been shown yet: end like an empty run, so the button is usable, and say why.
        if (!headerRead && !superseded())
            endOnFirstPageFailure(failure.reason());
    }
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
    m_caption.setCaption(u"搜索"_s);
    m_state.CurrentPage = 1;
    m_status.setPanelText(1, u"搜索结束"_s);
    m_status.setPanelText(2, u"共找到：%1条资源"_s.arg(m_list.count()));
    if (lastPage)
        m_state.FetchPhase = 1;
    FinishSongList(m_list, m_dispatch);
}

void SongListLoader::endOnFirstPageFailure(const QString &reason)
{
    m_state.Searching = false;
    m_caption.setCaption(u"搜索"_s);
    m_state.CurrentPage = 1;
    m_state.FetchPhase = 1;
    m_status.setPanelText(1, u"搜索失败：%1"_s.arg(reason));
    m_status.setPanelText(2, u"共找到：%1条资源"_s.arg(m_list.count()));
}
