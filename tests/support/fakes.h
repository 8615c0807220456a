#pragma once

// Stand-ins for the window's controls, so that the logic can be driven without a window.

#include "controls/mediaplayer.h"
#include "controls/messagebox.h"
#include "controls/reportlist.h"
#include "controls/shell.h"
#include "controls/skinning.h"
#include "controls/statuspanels.h"
#include "controls/textbox.h"

#include <QMap>
#include <QStringList>
#include <functional>

using namespace Qt::StringLiterals;

class FakeReportList : public ReportList {
public:
    QList<ReportRow> rows;
    QStringList headers;
    int selected = 0;
    int visible = 0;
    int insertions = 0;
    QList<int> autoSized;
    int played = 0;
    QMap<int, QString> errors;

    int count() const override { return int(rows.size()); }
    void clear() override { rows.clear(), selected = 0, played = 0, errors.clear(); }
    void addRows(const QList<ReportRow> &more) override { rows.append(more), ++insertions; }
    ReportRow item(int index) const override { return rows.value(index - 1); }
    void select(int index) override { selected = index; }
    void ensureVisible(int index) override { visible = index; }
    int selectedIndex() const override { return selected; }
    int columnCount() const override { return int(headers.size()); }
    void addColumn(const QString &header, int) override { headers.append(header); }
    void clearColumns() override { headers.clear(); }
    void setReportView() override { }
    void setFullRowSelect(bool) override { }
    void setAlternatingRowColors(bool) override { }
    void setManualLabelEdit() override { }
    void setMultiSelect(bool) override { }
    void setPlayMark(int index) override { played = index; }
    int playMark() const override { return played; }
    void setErrorMark(int index, const QString &reason) override { errors.insert(index, reason); }
    void autoSizeColumn(int column) override { autoSized.append(column); }
    void refresh() override { }
};

class FakeStatusPanels : public StatusPanels {
public:
    QString panels[2];
    QString toolTip;
    // Every text written to panel 1, in order
    QStringList panel1History;

    QString panelText(int panel) const override { return panels[panel - 1]; }
    void setPanelText(int panel, const QString &text) override
    {
        panels[panel - 1] = text;
        if (panel == 1)
            panel1History.append(text);
    }
    void setToolTipText(const QString &text) override { toolTip = text; }
};

class FakeTextBox : public TextBox {
public:
    QString value;
    bool focused = false;
    QString text() const override { return value; }
    void setText(const QString &text) override { value = text; }
    void setFocus() override { focused = true; }
};

// Closed by the user as soon as it is shown
class FakeMessageBox : public MessageBox {
public:
    struct Shown {
        QString text, title;
        Style style;
    };
    QList<Shown> shown;
    void show(const QString &text, const QString &title, Style style,
              std::function<void()> closed) override
    {
        shown.append({text, title, style});
        closed();
    }
};

class FakeShell : public Shell {
public:
    QStringList opened;
    void openAddress(const QString &address) override { opened.append(address); }
};

class FakeMediaPlayer : public MediaPlayer {
public:
    QStringList assigned;
    PlayState state = Undefined;
    int volumeSetting = 50;
    QString failed;
    qint64 at = 0;
    int stops = 0;

    void setUrl(const QString &url) override { assigned.append(url); }
    QString url() const override { return assigned.value(assigned.size() - 1); }
    PlayState playState() const override { return state; }
    QString failure() const override { return failed; }
    void stop() override { state = Stopped, at = 0, ++stops; }
    qint64 position() const override { return at; }
    void setPosition(qint64 milliseconds) override { at = milliseconds; }
    QString statusText() const override { return u"就绪"_s; }
    int volume() const override { return volumeSetting; }
    void setVolume(int volume) override { volumeSetting = volume; }
};

class FakeSkinning : public Skinning {
public:
    // "attach:<file>" and "aero:<n>", in call order
    QStringList calls;
    void attachSkin(const QString &skinFile, const QString &) override
    {
        calls.append(u"attach:"_s + skinFile);
    }
    void setAero(int on) override { calls.append(u"aero:%1"_s.arg(on)); }
};
