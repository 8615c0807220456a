#pragma once

#include <QWidget>

class DownloadItemWidget;
class QVBoxLayout;

// The small top-level window "下载" that lists the transfers of this session, newest last.
class DownloadsWindow : public QWidget {
    Q_OBJECT

public:
    explicit DownloadsWindow(QWidget *parent = nullptr);

    // Adds a row for a new transfer and brings the window to the front.
    DownloadItemWidget *addItem(const QString &fileName);
    void removeItem(DownloadItemWidget *item);
    QList<DownloadItemWidget *> items() const;

private:
    QVBoxLayout *m_rows;
};
