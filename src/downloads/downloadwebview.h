#pragma once

#include "downloadmanager.h"

#include "controls/webview.h"

#include <QObject>

// `downloader`: it never shows a page; every address it is told to open is downloaded.
class DownloadWebView : public QObject, public WebView {
    Q_OBJECT

public:
    explicit DownloadWebView(QObject *parent = nullptr);

    void navigate(const QString &address) override;

    DownloadManager &downloads() { return m_downloads; }

private:
    DownloadManager m_downloads;
};
