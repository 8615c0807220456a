#pragma once

#include <QString>

// The hidden web view `downloader`: it is only ever told to open a media address, which
// hands the download to it.
class WebView {
public:
    virtual ~WebView() = default;
    virtual void navigate(const QString &address) = 0;
};
