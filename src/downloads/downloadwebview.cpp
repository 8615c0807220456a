#include "downloadwebview.h"

DownloadWebView::DownloadWebView(QObject *parent) : QObject(parent) { }

void DownloadWebView::Navigate(const QString &address)
{
    m_downloads.download(address);
}
