// Builds the main window's controls: toolbar, task list with its intro panel, bottom band.
#include "ui/MainForm.h"

#include "ui/JpegPicture.h"
#include "ui/ToolbarPictures.h"

#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QLabel* PlacedLabel(QWidget* parent, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QFont PixelFont(const QString& family, int pixels, bool bold = false)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A transparent label of the intro panel.
QLabel* IntroLabel(QWidget* parent, const QString& text, const QFont& font, const QColor& colour, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setStyleSheet(QString("color: %1; background: transparent;").arg(colour.name()));
    label->move(left, top);
    label->adjustSize();
    return label;
}

void AddGap(QToolBar* toolbar, int width)
{
    auto* gap = new QWidget(toolbar);
    gap->setFixedWidth(width);
    toolbar->addWidget(gap);
}

}

void TMainForm::buildWindow()
{
    Q_INIT_RESOURCE(pictures);
    resize(798, 542);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    buildToolbar();
    buildMiddleBand();
    buildBottomBand();
    buildTaskMenu();
    column->addWidget(panMain, 1);
    column->addWidget(panBottom);

    Memo1 = new QPlainTextEdit(central);
    Memo1->hide();

    // Quitting as desktop programs do is closing, with its question while a job runs.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, &QWidget::close);
}

void TMainForm::buildToolbar()
{
    Toolbar1 = new QToolBar(this);
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setFixedHeight(75);
    Toolbar1->setContentsMargins(5, 5, 5, 5);
    Toolbar1->setIconSize(QSize(48, 48));
    Toolbar1->setStyleSheet("QToolBar { border: none; }");
    addToolBar(Qt::TopToolBarArea, Toolbar1);

    auto button = [this](ToolbarPicture picture, const QString& hint, bool enabled) {
        auto* tool = new QToolButton(Toolbar1);
        tool->setIcon(MakeToolbarIcon(picture));
        tool->setIconSize(QSize(48, 48));
        tool->setFixedSize(56, 54);
        tool->setToolTip(hint);
        tool->setAccessibleName(hint);
        tool->setAutoRaise(true);
        tool->setEnabled(enabled);
        Toolbar1->addWidget(tool);
        return tool;
    };
    tbtnAddFile = button(ToolbarPicture::AddFile, "Add Video Files", true);
    tbtnAddDir = button(ToolbarPicture::AddDir, "Add Directory", true);
    AddGap(Toolbar1, 8);
    tbtnUp = button(ToolbarPicture::Up, "Move Up", false);
    tbtnDown = button(ToolbarPicture::Down, "Move Down", false);
    tbtnRemove = button(ToolbarPicture::Remove, "Remove", false);
    tbtnClear = button(ToolbarPicture::Clear, "Clear", false);
    AddGap(Toolbar1, 8);
    tbtnStart = button(ToolbarPicture::Start, "Start", false);
    // The keyboard's way to start, as a dialog's Ctrl+Enter sends what is filled in.
    tbtnStart->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    tbtnStop = button(ToolbarPicture::Stop, "Stop", false);
    AddGap(Toolbar1, 12);
    tbtnSetting = button(ToolbarPicture::Setting, "General Settings", true);
    AddGap(Toolbar1, 8);
    tbtnAbout = button(ToolbarPicture::About, "About", true);
    tbtnHelp = button(ToolbarPicture::Help, "Help", true);

    connect(tbtnAbout, &QToolButton::clicked, this, &TMainForm::tbtnAboutClick);
    connect(tbtnHelp, &QToolButton::clicked, this, &TMainForm::tbtnHelpClick);
}

void TMainForm::buildMiddleBand()
{
    panMain = new QWidget(centralWidget());
    auto* row = new QHBoxLayout(panMain);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    panLeft = new QWidget(panMain);
    panLeft->setFixedWidth(10);
    panRight = new QWidget(panMain);
    panRight->setFixedWidth(10);

    ltvTask = new QTreeWidget(panMain);
    ltvTask->setRootIsDecorated(false);
    ltvTask->setItemsExpandable(false);
    ltvTask->setUniformRowHeights(true);
    // Files of one deep folder differ at the end of their paths; each row's tooltip holds the whole path.
    ltvTask->setTextElideMode(Qt::ElideMiddle);
    ltvTask->setSelectionBehavior(QAbstractItemView::SelectRows);
    ltvTask->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ltvTask->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ltvTask->setContextMenuPolicy(Qt::CustomContextMenu);
    // The caption and the ten cells of every row; only the first four columns are shown.
    ltvTask->setColumnCount(11);
    ltvTask->setHeaderLabels({"Input File", "Length", "Size", "Status"});
    ltvTask->header()->setStretchLastSection(false);
    ltvTask->installEventFilter(this);
    ltvTask->viewport()->installEventFilter(this);

    row->addWidget(panLeft);
    row->addWidget(ltvTask, 1);
    row->addWidget(panRight);

    ppmTask = new QMenu(ltvTask);
    buildIntroPanel();
}

void TMainForm::buildIntroPanel()
{
    panltvTask = new QWidget(panMain);
    panltvTask->setGeometry(11, 1, 768, 354);

    QFile picture(":/pictures/intro.jpg");
    picture.open(QIODevice::ReadOnly);
    m_introPicture = QPixmap::fromImage(DecodeJpeg(picture.readAll()));
    Image2 = new QLabel(panltvTask);
    Image2->setGeometry(0, 0, 768, 354);
    Image2->setPixmap(m_introPicture);

    const QFont nameFont = PixelFont("Arial Black", 36);
    const QFont stepFont = PixelFont("MS Reference Sans Serif", 17);
    const QFont tipFont = PixelFont("MS Sans Serif", 13, true);
    const QColor stepColour(13, 148, 221);
    const QColor tipColour(128, 128, 128);
    // The shadow is made first so that the name is drawn over it.
    labProgramNameShadow = IntroLabel(panltvTask, QString(), nameFont, QColor(202, 202, 202), 18, 20);
    labProgramName = IntroLabel(panltvTask, QString(), nameFont, palette().color(QPalette::WindowText), 16, 18);
    labDecription = IntroLabel(panltvTask, "- Merge multiple videos of different formats by 3 steps!", stepFont,
                               QColor(164, 164, 164), 78, 71);
    labStep1 = IntroLabel(panltvTask, "Add unlimited videos to the list.", stepFont, stepColour, 73, 143);
    labStep2 = IntroLabel(panltvTask, "Specify the output profile and filename.", stepFont, stepColour, 73, 174);
    labStep3 = IntroLabel(panltvTask, "Click on the \"Start\" button.", stepFont, stepColour, 73, 206);
    labTip1 = IntroLabel(panltvTask,
                         "Tips: 1. You can specify the size of output videos by clicking on the \"Setting\" button.",
                         tipFont, tipColour, 40, 297);
    labTip2 = IntroLabel(panltvTask, "2. Please ensure the \"Temp Folder\" has enough free space.", tipFont, tipColour,
                         84, 320);
    panltvTask->raise();
}

void TMainForm::coverListWithIntro()
{
    // Inside the list's frame, header included, whatever the window's size.
    const QRect area = ltvTask->geometry().adjusted(1, 1, -1, -1);
    if (area.size() == panltvTask->size() && area.topLeft() == panltvTask->pos())
        return;
    panltvTask->setGeometry(area);
    Image2->setGeometry(panltvTask->rect());
    // Filled without distortion. The picture's drawing is on its right and the texts
    // stand on its plain left, so what does not fit is cut from the left and the bottom.
    const QPixmap scaled = m_introPicture.scaled(area.size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    Image2->setPixmap(scaled.copy(QRect(QPoint(scaled.width() - area.width(), 0), area.size())));
}

void TMainForm::buildBottomBand()
{
    panBottom = new QWidget(centralWidget());
    panBottom->setFixedHeight(77);
    auto* row = new QHBoxLayout(panBottom);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    buildSettingsPanel();
    buildProgressPanel();

    panLogo = new QWidget(panBottom);
    panLogo->setFixedWidth(178);
    Image1 = new QLabel(panLogo);
    Image1->setPixmap(QPixmap(":/pictures/logo.png"));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setGeometry(0, 0, 178, 77);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->installEventFilter(this);

    // The settings panel takes the window's width, for a longer output path; the progress
    // panel keeps its own.
    row->addWidget(panBottomCenter, 1);
    row->addWidget(panBottomLeft);
    row->addStretch(0);
    row->addWidget(panLogo);
}

void TMainForm::buildSettingsPanel()
{
    panBottomCenter = new QWidget(panBottom);
    PlacedLabel(panBottomCenter, "Profile:", 12, 12);
    cmbProfile = new QComboBox(panBottomCenter);
    cmbProfile->setEditable(false);
    cmbProfile->setGeometry(88, 7, 330, 24);
    bbtnSetting = new QPushButton("&Setting", panBottomCenter);
    bbtnSetting->setGeometry(426, 6, 84, 26);

    PlacedLabel(panBottomCenter, "Output File:", 12, 47);
    edtOutputFile = new QLineEdit(panBottomCenter);
    edtOutputFile->setGeometry(88, 42, 330, 24);
    bbtnBrowser = new QPushButton("&Browser", panBottomCenter);
    bbtnBrowser->setGeometry(426, 41, 84, 26);
    bbtnOpen = new QPushButton("&Open", panBottomCenter);
    bbtnOpen->setGeometry(516, 41, 84, 26);

    panBottomCenter->installEventFilter(this);
    connect(cmbProfile, &QComboBox::currentTextChanged, cmbProfile, &QComboBox::setToolTip);

    connect(bbtnBrowser, &QPushButton::clicked, this, &TMainForm::bbtnBrowserClick);
    connect(bbtnOpen, &QPushButton::clicked, this, &TMainForm::bbtnOpenClick);
}

void TMainForm::stretchBoxes()
{
    // The designed width holds the boxes at 330 pixels; what the panel has beyond it goes to them.
    const int extra = std::max(0, panBottomCenter->width() - DesignedBottomPanelWidth);
    cmbProfile->setFixedWidth(330 + extra);
    bbtnSetting->move(426 + extra, bbtnSetting->y());
    edtOutputFile->setFixedWidth(330 + extra);
    bbtnBrowser->move(426 + extra, bbtnBrowser->y());
    bbtnOpen->move(516 + extra, bbtnOpen->y());
}

void TMainForm::buildProgressPanel()
{
    panBottomLeft = new QWidget(panBottom);
    labProcessTitle = PlacedLabel(panBottomLeft, "Converting (Prepare):", 12, 6);
    labProcessTitle->setFixedWidth(190);
    labConvertingFile = PlacedLabel(panBottomLeft, "No File", 205, 6);
    labConvertingFile->setFixedWidth(240);

    auto bar = [this](int top) {
        auto* progress = new QProgressBar(panBottomLeft);
        progress->setRange(0, 100);
        progress->setValue(0);
        progress->setTextVisible(false);
        progress->setGeometry(110, top, 260, 16);
        return progress;
    };
    QLabel* currentCaption = PlacedLabel(panBottomLeft, "Current Progress:", 12, 29);
    pgbCurrent = bar(29);
    labCurProgress = PlacedLabel(panBottomLeft, "0%", 378, 29);
    labCurProgress->setFixedWidth(40);
    QLabel* totalCaption = PlacedLabel(panBottomLeft, "Total Progress:", 12, 52);
    pgbTotal = bar(52);
    labTotalProgress = PlacedLabel(panBottomLeft, "0%", 378, 52);
    labTotalProgress->setFixedWidth(40);

    QLabel* elapsedCaption = PlacedLabel(panBottomLeft, "Time Elapsed:", 425, 29);
    labElapsed = PlacedLabel(panBottomLeft, "00:00:00", 525, 29);
    labElapsed->setFixedWidth(70);
    QLabel* remainingCaption = PlacedLabel(panBottomLeft, "Time Remaining:", 425, 52);
    labRemaining = PlacedLabel(panBottomLeft, "00:00:00", 525, 52);
    labRemaining->setFixedWidth(70);

    // Bars and times start after their captions in the desktop's font.
    const int barLeft = 12 + std::max(currentCaption->width(), totalCaption->width()) + 6;
    for (QProgressBar* progress : {pgbCurrent, pgbTotal})
        progress->setGeometry(barLeft, progress->y(), 370 - barLeft, progress->height());
    const int timeLeft = 425 + std::max(elapsedCaption->width(), remainingCaption->width()) + 6;
    for (QLabel* time : {labElapsed, labRemaining})
        time->move(timeLeft, time->y());
}
