#include "searchcommand.h"

#include "songlistloader.h"

#include "common/failure.h"
#include "controls/messagebox.h"
#include "controls/reportlist.h"
#include "controls/textbox.h"
#include "net/serviceurls.h"
#include "net/urlencoding.h"

using namespace Qt::StringLiterals;

SearchCommand::SearchCommand(const ServiceUrls &urls, SongListLoader &loader, TextBox &keyword,
                             ReportList &list, MessageBox &messageBox, QObject *parent)
    : QObject(parent), m_urls(urls), m_loader(loader), m_keyword(keyword), m_list(list),
      m_messageBox(messageBox)
{
}

void SearchCommand::searchRequested()
{
    // Only blanks count as empty: a tab alone is a keyword
    if (QString(m_keyword.text()).remove(u' ').isEmpty()) {
        m_messageBox.show(u"请输入歌曲名称或者关键字！"_s, u"输入信息不完整"_s,
                          MessageBox::Icon::Warning, MessageBox::Buttons::Ok,
                          [this] { keywordWarningClosed(); });
        return;
    }

    if (m_loader.isRunning()) {
        // The run notices at its next page; the rows of the page in flight still arrive
        m_loader.stop();
        return;
    }

    m_list.clear();
    QString keyword;
    if (const std::optional<QString> failure
        = failureOf([&] { keyword = encodeUtf8Url(m_keyword.text()); })) {
        emit searchFailed(*failure);
        return;
    }
    m_loader.loadSongList(m_urls.search(keyword), keyword);
}

void SearchCommand::keywordWarningClosed()
{
    m_keyword.setText(QString());
    m_keyword.setFocus();
}

void SearchCommand::keywordKeyPressed(int key)
{
    if (key == Qt::Key_Return)
        searchRequested();
}
