#pragma once

#include "downloads/downloadmanager.h"
#include "net/connectivitywatcher.h"

#include <QNetworkAccessManager>

struct DownloadNetwork {
    QNetworkAccessManager network;
    ConnectivityWatcher watcher;
};

// A download manager with a network of its own, where the program gives it the application's;
// the network outlives the manager
class StandAloneDownloads : private DownloadNetwork, public DownloadManager {
public:
    StandAloneDownloads() : DownloadManager(network, watcher) { }
};
