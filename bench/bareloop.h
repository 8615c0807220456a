#pragma once

#include <QStringList>

class QNetworkAccessManager;

// What the program's list runs are measured against: a bare QNetworkAccessManager loop that
// fetches the same URLs one after another and throws the bodies away. Returns milliseconds.
double fetchAllMs(QNetworkAccessManager &network, const QStringList &urls);
