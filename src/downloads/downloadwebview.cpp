#include "downloadwebview.h"

DownloadWebView::DownloadWebView(QObject *parent) : QObject(parent) { }

void DownloadWebView::navigate(const QString &address)
{
    m_downloads.download(address);
}
