#include "ui/PowerOffCountdown.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

PowerOffCountdown::PowerOffCountdown(QWidget* mainWindow)
    // A title and a close button only: minimised, it would hide the main window it blocks.
    : QDialog(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle("Turn Off");
    setAttribute(Qt::WA_DeleteOnClose);

    labCountdown = new QLabel(this);
    auto* buttons = new QDialogButtonBox(this);
    btnTurnOffNow = buttons->addButton("Turn Off Now", QDialogButtonBox::AcceptRole);
    btnCancel = buttons->addButton(QDialogButtonBox::Cancel);
    // Enter keeps the computer on: only a deliberate choice turns it off early.
    btnCancel->setDefault(true);
    btnCancel->setFocus();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(labCountdown);
    column->addWidget(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &PowerOffCountdown::tick);
    connect(this, &QDialog::finished, m_timer, &QTimer::stop);
    m_timer->start();
    showSecondsLeft();
}

void PowerOffCountdown::tick()
{
    if (--m_secondsLeft <= 0) {
        accept();
        return;
    }
    showSecondsLeft();
}

void PowerOffCountdown::showSecondsLeft()
{
    labCountdown->setText(QString("The computer will be turned off in %1 s.").arg(m_secondsLeft));
}
