#include "searchcommand.h"

#include "net/urltexts.h"
#include "searchstate.h"
#include "songlistloader.h"

#include "common/constants.h"
#include "common/failure.h"
#include "controls/commandcaption.h"
#include "controls/messagebox.h"
#include "controls/reportlist.h"
#include "controls/statuspanels.h"
#include "controls/textbox.h"
#include "net/requestforms.h"
#include "net/urlencoding.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int kExclamationOk = 48;
constexpr int kEnter = 13;
} // namespace

SearchCommand::SearchCommand(SearchState &state, const UrlTexts &urls, SongListLoader &loader,
                             TextBox &keyword, CommandCaption &caption, ReportList &list,
                             StatusPanels &status, MessageBox &messageBox)
    : m_state(state), m_urls(urls), m_loader(loader), m_keyword(keyword), m_caption(caption),
      m_list(list), m_status(status), m_messageBox(messageBox)
{
}

void SearchCommand::Command1_Click()
{
    // Only blanks count as empty: a tab alone is a keyword
    if (QString(m_keyword.text()).remove(u' ').isEmpty()) {
        m_messageBox.show(u"请输入歌曲名称或者关键字！"_s, u"输入信息不完整"_s, kExclamationOk);
        m_keyword.setText(QString());
        m_keyword.setFocus();
        return;
    }

    if (m_caption.caption() != Captions::kSearch) {
        // The run notices at its next page; the rows of the page in flight still arrive
        m_state.Searching = false;
        m_caption.setCaption(Captions::kSearch);
        return;
    }

    m_caption.setCaption(Captions::kStop);
    m_state.Searching = true;
    m_state.CurrentPage = 1;
    m_state.FetchPhase = 1;
    m_list.clear();
    QString keyword;
    try {
        keyword = EncodeUtf8Url(m_keyword.text());
    } catch (const Failure &failure) {
        // No run was started: give the button back at once
        m_state.Searching = false;
        m_caption.setCaption(Captions::kSearch);
        m_status.setPanelText(1, u"搜索失败：%1"_s.arg(failure.reason()));
        return;
    }
    m_loader.LoadSongList(
        m_urls.text(UrlTexts::SearchFirstPage) + keyword + RequestForms::kSearchSuffix, keyword);
}

void SearchCommand::Text1_KeyPress(int keyAscii)
{
    if (keyAscii == kEnter)
        Command1_Click();
}
