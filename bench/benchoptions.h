#pragma once

#include <QStringList>

class QCoreApplication;

// The command line every benchmark understands; each uses what it needs.
struct BenchOptions {
    // "http://127.0.0.1:PORT" of a running catalogue service: the first one given
    QString service;
    // Every --service given, in order
    QStringList services;
    // How many measured runs the median is taken over
    int runs = 5;
    QString keyword;
    // Folder holding quillpod.she
    QString programDir;
    double seconds = 30;
    QString output;
    int songs = 0;
    // Anything else the benchmark reads for itself
    QString mode;

    static BenchOptions parse(const QCoreApplication &app);
};
