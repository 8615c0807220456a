#pragma once

class CommandCaption;
class MessageBox;
class ReportList;
class SongListLoader;
class StatusPanels;
class TextBox;
class UrlTexts;
struct SearchState;

// The search button `Command1`, which also stops the run in progress, and Enter in the keyword
// box `Text1`. The button's caption is the command's state: "搜索" idle, "停止" running.
class SearchCommand {
public:
    SearchCommand(SearchState &state, const UrlTexts &urls, SongListLoader &loader,
                  TextBox &keyword, CommandCaption &caption, ReportList &list, StatusPanels &status,
                  MessageBox &messageBox);

    // Returns when the search it starts has ended.
    void Command1_Click();
    void Text1_KeyPress(int keyAscii);

private:
    SearchState &m_state;
    const UrlTexts &m_urls;
    SongListLoader &m_loader;
    TextBox &m_keyword;
    CommandCaption &m_caption;
    ReportList &m_list;
    StatusPanels &m_status;
    MessageBox &m_messageBox;
};
