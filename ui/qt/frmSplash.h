#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>

class QLabel;
class frmMain;

// The borderless title strip the program opens with. Two seconds after it
// loads, or at the first key, it hands over to the main window and closes.
class frmSplash : public QWidget {
    Q_OBJECT

public:
    // The main window is normally created by the handover; a test may hand
    // one in ready-made (with fake boxes), and the handover then shows that.
    frmSplash();
    explicit frmSplash(std::unique_ptr<frmMain> main);
    ~frmSplash() override;

    frmSplash(const frmSplash&) = delete;
    frmSplash& operator=(const frmSplash&) = delete;

    QLabel& imgSplash() { return *m_imgSplash; }
    QTimer& tmrDone() { return m_tmrDone; }

    void Form_Load();
    void Form_KeyDown(std::int16_t keyCode, std::int16_t shift);
    void tmrDone_Timer();

    // The main window once the handover has run, else null.
    frmMain* mainWindow() const;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void handover();

    std::unique_ptr<frmMain> m_main;
    QLabel* m_imgSplash = nullptr;
    QTimer m_tmrDone;
    bool m_loaded = false;
    bool m_handedOver = false;
    bool m_closingForHandover = false;
    bool m_cancelled = false;
};
