#pragma once

#include <QLabel>
#include <QTimer>

#include <chrono>

// The small box at the bottom-right of the song list that shows what is being typed to find a
// row, as file dialogs show it. It says when the text finds no row, and closes by itself when
// no key has come for a while. It never takes the focus or a click from the list, and it stays in
// its corner whatever the list scrolls to.
class TypeAheadBox : public QLabel {
    Q_OBJECT

public:
    // How long the box stays without a key
    static constexpr std::chrono::milliseconds kCloseAfter {5000};
    // What it adds to a text that finds no row
    static const QString kNoMatchHint;

    // `area`: the widget whose bottom-right corner the box keeps to
    explicit TypeAheadBox(QWidget *area);

    // Shows `typed`, marked when it finds no row, and starts the wait for the next key over
    void showTyped(const QString &typed, bool found);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void place();

    QTimer m_closeTimer;
};
