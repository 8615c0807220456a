#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The hidden partial file of one download (see partFilePath()), which holds its data until the
// whole file has arrived and is then renamed into place, so nothing ever lies under the target
// path half-written. It is opened without following a link or waiting on a pipe, and a new one
// only when nothing lies in its place; only a regular file is written, and it is renamed only
// while its name still leads to the file that was opened.
class PartFile {
public:
    // The partial file of the download saved to `target`
    explicit PartFile(const QString &target);

    PartFile(const PartFile &) = delete;
    PartFile &operator=(const PartFile &) = delete;

    // Opens the file, making it when there is none. False, with reason(), when it cannot.
    bool open();
    bool isOpen() const { return m_file.isOpen(); }
    qint64 size() const { return m_file.size(); }
    // Cuts the file back to `size` bytes and writes from there on
    bool truncate(qint64 size);
    // Writes all of `data`; false, with reason(), when it cannot, as on a full disk: what was
    // written stays
    bool append(const QByteArray &data);
    // Closes the file; with `discard` it goes too, when its name still leads to it
    void close(bool discard);
    // Closes the file and renames it to its target, replacing what lay there
    bool place();

    // Why the last step failed, in words the user reads
    QString reason() const { return m_reason; }

    // The data kept for the download saved to `target`: whatever else lies in its place holds
    // none of ours
    static qint64 keptSize(const QString &target);
    // The data kept goes; what else lies in its place is only unlinked
    static void discard(const QString &target);

private:
    bool stillOurs() const;

    const QString m_target;
    const QString m_path;
    QFile m_file;
    // The file as it was opened: what is renamed into place must still be this file
    quint64 m_device = 0;
    quint64 m_inode = 0;
    QString m_reason;
};
