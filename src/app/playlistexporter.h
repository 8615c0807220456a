#pragma once

#include "songlist/songrow.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class LinkResolver;
class MessageBox;
class PlaylistExport;
class QProgressDialog;
class QWidget;
class SongListModel;

// "导出为播放列表…": asks where to write, then shows the export's progress with a cancel, and
// at the end says in panel 1 where it went and, in a message, which songs were left out. The
// window goes on meanwhile: every dialog is open, none runs a loop of its own.
class PlaylistExporter : public QObject {
    Q_OBJECT

public:
    using Status = std::function<void(const QString &text)>;

    PlaylistExporter(QWidget &window, const LinkResolver &links, MessageBox &messageBox,
                     Status status);
    ~PlaylistExporter() override;

    // Suggests `name`.m3u8 in the music folder
    void exportList(const SongListModel &list, const QString &name);

private:
    void start(const QString &path);
    void finished(const QStringList &leftOut);
    void end();

    QWidget &m_window;
    const LinkResolver &m_links;
    MessageBox &m_messageBox;
    Status m_status;
    bool m_busy = false;
    QList<SongRow> m_rows;
    std::unique_ptr<PlaylistExport> m_export;
    QPointer<QProgressDialog> m_progress;
    QString m_path;
};
