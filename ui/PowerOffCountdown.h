#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

// The last moment to keep the computer on after a job: counts down, then accepts, which
// turns the computer off. "Turn Off Now" accepts at once; Cancel, Esc and the close
// button reject. Shown with open(), so nothing waits for it.
class PowerOffCountdown : public QDialog {
    Q_OBJECT

public:
    static constexpr int Seconds = 60;

    explicit PowerOffCountdown(QWidget* mainWindow);

    // One second less; at none left the dialog accepts.
    void tick();

    QLabel* labCountdown = nullptr;
    QPushButton* btnTurnOffNow = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void showSecondsLeft();

    int m_secondsLeft = Seconds;
    QTimer* m_timer = nullptr;
};
