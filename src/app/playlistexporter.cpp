#include "playlistexporter.h"

#include "controls/messagebox.h"
#include "library/playlistexport.h"
#include "songlist/songlistmodel.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

PlaylistExporter::PlaylistExporter(QWidget &window, const LinkResolver &links,
                                   MessageBox &messageBox, Status status)
    : m_window(window), m_links(links), m_messageBox(messageBox), m_status(std::move(status))
{
}

PlaylistExporter::~PlaylistExporter() = default;

void PlaylistExporter::exportList(const SongListModel &list, const QString &name)
{
    // One export at a time: the one under way keeps its dialog in front
    if (std::exchange(m_busy, true))
        return;
    // The songs as they are when the export is asked for
    m_rows.clear();
    for (int row = 0; row < list.size(); ++row)
        m_rows.append(list.row(row));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    // Owned by the window until it closes
    auto *const dialog = new QFileDialog(&m_window, u"导出为播放列表"_s, folder);
    dialog->setObjectName(u"exportFileDialog"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(u"M3U8 播放列表 (*.m3u8)"_s);
    dialog->setDefaultSuffix(u"m3u8"_s);
    dialog->selectFile(name + u".m3u8"_s);
    connect(dialog, &QFileDialog::fileSelected, this, &PlaylistExporter::start);
    connect(dialog, &QDialog::rejected, this, &PlaylistExporter::end);
    dialog->open();
}

void PlaylistExporter::start(const QString &path)
{
    m_path = path;
    m_export = std::make_unique<PlaylistExport>(m_links, std::move(m_rows), path);
    m_progress
        = new QProgressDialog(u"正在获取歌曲地址…"_s, u"取消"_s, 0, m_export->count(), &m_window);
    m_progress->setObjectName(u"exportProgress"_s);
    m_progress->setWindowTitle(u"导出为播放列表"_s);
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    m_progress->setMinimumDuration(0);
    connect(m_export.get(), &PlaylistExport::progress, m_progress, &QProgressDialog::setValue);
    connect(m_export.get(), &PlaylistExport::finished, this, &PlaylistExporter::finished);
    connect(m_export.get(), &PlaylistExport::failed, this,
            [this](const QString &reason) { m_status(u"播放列表导出失败：%1"_s.arg(reason)); });
    connect(m_export.get(), &PlaylistExport::failed, this, &PlaylistExporter::end);
    connect(m_progress, &QProgressDialog::canceled, this, &PlaylistExporter::end);
    m_progress->open();
    m_export->start();
}

void PlaylistExporter::finished(const QStringList &leftOut)
{
    m_status(u"播放列表已导出：%1"_s.arg(QFileInfo(m_path).fileName()));
    end();
    if (leftOut.isEmpty())
        return;
    m_messageBox.show(u"以下%1首歌曲的地址无法获取，未写入播放列表：\n%2"_s.arg(leftOut.size())
                          .arg(leftOut.join(u'\n')),
                      u"导出为播放列表"_s, MessageBox::Icon::Warning, MessageBox::Buttons::Ok, {});
}

void PlaylistExporter::end()
{
    m_busy = false;
    if (m_export) {
        m_export->cancel();
        // Not from within the export's own signal
        m_export.release()->deleteLater();
    }
    if (m_progress) {
        // Closing a progress dialog says it was cancelled
        m_progress->disconnect(this);
        m_progress->close();
    }
}
