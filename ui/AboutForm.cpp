#include "ui/AboutForm.h"

#include "platform/Shell.h"
#include "settings/ProgramValues.h"
#include "platform/DesktopOpening.h"
#include "ui/DialogKeys.h"
#include "ui/JpegPicture.h"
#include "ui/MessageBoxPrompter.h"

#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int LabelLeft = 136;
constexpr int PicturesHeight = 167;
// The buttons' row follows the pictures with the same margin as around the buttons.
constexpr int ButtonsTop = PicturesHeight + 16;
constexpr int BoxHeight = ButtonsTop + 30 + 16;

QPixmap Strip()
{
    QPixmap strip(117, 167);
    QPainter painter(&strip);
    QLinearGradient gradient(0, 0, 0, 167);
    gradient.setColorAt(0, QColor(13, 148, 221));
    gradient.setColorAt(1, QColor(8, 92, 150));
    painter.fillRect(strip.rect(), gradient);
    painter.drawPixmap(QRect(33, 57, 52, 52), QPixmap(":/pictures/logo.png"), QRect(11, 12, 52, 52));
    return strip;
}

}

TAboutForm::TAboutForm(const ProgramValues& program, Shell& shell, QWidget* mainWindow, Prompter* prompter)
    // A fixed dialog: a title and a close button only, so it cannot be minimised away
    // while the main window waits for it.
    : QWidget(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                              | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_shell(shell)
    , m_ownPrompter(prompter ? nullptr : std::make_unique<MessageBoxPrompter>(this))
    , m_prompter(prompter ? prompter : m_ownPrompter.get())
{
    setWindowTitle("About");
    setFixedSize(503, BoxHeight);
    setWindowModality(Qt::WindowModal);

    QFile picture(":/pictures/intro.jpg");
    picture.open(QIODevice::ReadOnly);
    auto* background = new QLabel(this);
    background->setPixmap(QPixmap::fromImage(DecodeJpeg(picture.readAll())));
    background->setScaledContents(true);
    background->setGeometry(0, 0, 503, PicturesHeight);
    auto* strip = new QLabel(this);
    strip->setPixmap(Strip());
    strip->setGeometry(0, 0, 117, PicturesHeight);

    auto label = [this](int top, int pixels, bool bold) {
        auto* text = new QLabel(this);
        QFont font = this->font();
        font.setPixelSize(pixels);
        font.setBold(bold);
        text->setFont(font);
        text->setGeometry(LabelLeft, top, 503 - LabelLeft - 10, pixels + 8);
        return text;
    };
    labProgramName = label(14, 20, true);
    labVersion = label(46, 12, false);
    labCopyright = label(70, 12, false);
    labRightsReserved = label(90, 12, false);
    labVisitWebsite = label(118, 12, false);
    labWebsite = label(136, 12, false);
    labWebsite->setStyleSheet("color: blue; text-decoration: underline;");
    labWebsite->setCursor(Qt::PointingHandCursor);
    labWebsite->installEventFilter(this);

    btnTech = new QPushButton("Tech Support", this);
    btnTech->setGeometry(16, ButtonsTop, 110, 30);
    btnSales = new QPushButton("Sales Support", this);
    btnSales->setGeometry(136, ButtonsTop, 110, 30);
    btnOK = new QPushButton("&OK", this);
    btnOK->setGeometry(503 - 16 - 90, ButtonsTop, 90, 30);
    // Enter closes the box wherever the focus is: a mail is only started on purpose, by a
    // click or by Space on its button.
    for (QPushButton* button : {btnTech, btnSales, btnOK})
        button->setAutoDefault(false);

    connect(btnOK, &QPushButton::clicked, this, &TAboutForm::btnOKClick);
    AcceptDialogKeys(this, btnOK, nullptr, EnterPresses::Ok);
    connect(btnTech, &QPushButton::clicked, this, &TAboutForm::btnTechClick);
    connect(btnSales, &QPushButton::clicked, this, &TAboutForm::btnSalesClick);
    FormCreate(program);
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::FormCreate(const ProgramValues& program)
{
    labProgramName->setText(ProgramValues::ProductName);
    labVersion->setText("Version " + program.VersionText);
    labCopyright->setText(QString("Copyright (C) %1 %2").arg(ProgramValues::CopyrightYears, ProgramValues::MakerName));
    labRightsReserved->setText("All rights reserved.");
    labVisitWebsite->setText("Visit our website");
    labWebsite->setText(ProgramValues::HomePage);
}

void TAboutForm::showOver(QWidget* mainWindow)
{
    move(mainWindow->geometry().center() - rect().center());
    show();
    raise();
    activateWindow();
    btnOK->setFocus();
}

void TAboutForm::btnOKClick()
{
    close();
}

void TAboutForm::labWebsiteClick()
{
    OpenOrExplain(m_shell, *m_prompter, labWebsite->text());
}

void TAboutForm::btnTechClick()
{
    OpenOrExplain(m_shell, *m_prompter, QString("mailto:") + ProgramValues::SupportMail);
}

void TAboutForm::btnSalesClick()
{
    OpenOrExplain(m_shell, *m_prompter, QString("mailto:") + ProgramValues::SalesMail);
}

void TAboutForm::changeEvent(QEvent* event)
{
    // Some window managers offer to minimise any dialog, and take the waiting main
    // window along; the box comes straight back instead, with its main window.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        QTimer::singleShot(0, this, [this] {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            show();
            raise();
            activateWindow();
        });
    QWidget::changeEvent(event);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == labWebsite && event->type() == QEvent::MouseButtonRelease)
        labWebsiteClick();
    return QWidget::eventFilter(watched, event);
}
