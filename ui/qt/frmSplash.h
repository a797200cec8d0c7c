#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>

class QLabel;

// The borderless title strip the program opens with. The game session says
// when it shows and when it goes; the strip passes on its keys and the
// expiry of its timer, tmrDone, which the main window hands to the session.
class frmSplash : public QWidget {
    Q_OBJECT

public:
    frmSplash();
    ~frmSplash() override;

    frmSplash(const frmSplash&) = delete;
    frmSplash& operator=(const frmSplash&) = delete;

    QLabel& imgSplash() { return *m_imgSplash; }
    QTimer& tmrDone() { return m_tmrDone; }

    void Form_Load();

signals:
    // A key-down on the splash, as a Windows virtual key code.
    void Form_KeyDown(std::int16_t keyCode);
    // The window manager closed the splash.
    void closedByPlayer();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_imgSplash = nullptr;
    QTimer m_tmrDone;
    bool m_loaded = false;
};
