#include "ui/MainForm.h"

#include "platform/Prompter.h"
#include "platform/Shell.h"
#include "core/PathRules.h"
#include "profiles/EncoderOptions.h"
#include "profiles/ProfileContents.h"
#include "profiles/ProfileFiles.h"
#include "settings/FileTypeFilters.h"
#include "tasks/InputFiles.h"
#include "ui/AboutForm.h"
#include "ui/ColumnSizing.h"
#include "platform/DesktopOpening.h"
#include "ui/MessageBoxPrompter.h"
#include "ui/OutputFileText.h"
#include "ui/OutputSettingsForm.h"
#include "ui/SettingsForm.h"
#include "pipeline/JobRunner.h"
#include "ui/TreeTaskRowStore.h"
#include "tasks/TaskAdder.h"
#include "tasks/TaskListEdits.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QResizeEvent>
#include <QTreeWidget>

namespace {

constexpr int DesignListWidth = 770;
const QList<int> StartColumnWidths{350, 90, 80, 150};

}

TMainForm::TMainForm(const QString& programDir, const QStringList& arguments, MainFormServices services,
                     QWidget* parent)
    : QMainWindow(parent)
    , m_program(LoadProgramValues(programDir))
    , m_services(services)
{
    if (!m_services.prompter) {
        m_ownPrompter = std::make_unique<MessageBoxPrompter>(this);
        m_services.prompter = m_ownPrompter.get();
    }
    buildWindow();
    buildAdding();
    m_outputSettings = std::make_unique<TopSettingForm>(this, m_ownPrompter ? nullptr : m_services.prompter);
    opSettingForm = m_outputSettings.get();
    connect(cmbProfile, &QComboBox::activated, this, &TMainForm::cmbProfileChange);
    connect(bbtnSetting, &QPushButton::clicked, this, &TMainForm::bbtnSettingClick);
    FormCreate(arguments);
    // Made after the main window has its program folder and file dialogs; reads the preferences.
    m_settings = std::make_unique<TSettingForm>(TSettingForm::Links{
        this, m_program.PreferencesPath, m_program.DefaultTempDir, SaveDialog1, m_services.dialogs,
        m_ownPrompter ? nullptr : m_services.prompter});
    SettingForm = m_settings.get();
    connect(SettingForm, &TSettingForm::accepted, this,
            [this] { edtOutputFile->setText(SettingForm->preferences().outputFile); });
    buildJob();
    connect(tbtnSetting, &QToolButton::clicked, this, &TMainForm::tbtnSettingClick);
}

TMainForm::~TMainForm()
{
    // The list's model is deleted with the window's children, after this window's own
    // parts: its last signals must not reach them.
    ltvTask->model()->disconnect(this);
}

void TMainForm::FormCreate(const QStringList& arguments)
{
    edtOutputFile->setText(m_program.ProgramDir);

    // Setting the header colour gives the list its first size, which the sizing rule sees.
    ltvTask->header()->setStyleSheet("QHeaderView::section { background-color: rgb(243, 243, 243); }");
    // Hidden after the style is set, which would otherwise bring back the hidden sections' widths.
    for (int column = 4; column < ltvTask->columnCount(); ++column)
        ltvTask->setColumnHidden(column, true);
    ltvTaskResize(DesignListWidth);

    setWindowTitle(m_program.caption());
    for (QLabel* name : {labProgramName, labProgramNameShadow}) {
        name->setText(ProgramValues::ProductName);
        name->adjustSize();
    }

    SaveDialog1 = {BuildOutputFilter(OutputExtensions()), "avi"};
    OpenDialog1 = {BuildOpenFilter(InputExtensions(), InputFileMask()), QString()};

    for (const QString& name : ListFilesByExt(m_program.profilesFolder(), ".bpf")) {
        cmbProfile->addItem(StripExtension(name));
        // A long name is cut in a narrow box; its tip shows it whole.
        cmbProfile->setItemData(cmbProfile->count() - 1, StripExtension(name), Qt::ToolTipRole);
    }

    // Added once the window is on screen, so that it shows how far the adding has
    // got, and its questions and messages stand over it.
    if (!arguments.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this, arguments] { m_adder->AddFromCommandLine(arguments); },
            Qt::QueuedConnection);
    }
    setAcceptDrops(true);

    panBottomCenter->setMinimumWidth(DesignedBottomPanelWidth);
    panBottomLeft->setFixedWidth(DesignedBottomPanelWidth);
    panBottomLeft->hide();
    setColumnWidths(StartColumnWidths);
}

QList<int> TMainForm::columnWidths() const
{
    QList<int> widths;
    for (int column = 0; column < 4; ++column)
        widths << ltvTask->columnWidth(column);
    return widths;
}

void TMainForm::setColumnWidths(const QList<int>& widths)
{
    for (int column = 0; column < widths.size(); ++column)
        ltvTask->setColumnWidth(column, widths[column]);
}

void TMainForm::ltvTaskResize(int newWidth)
{
    const int change = newWidth - RememberedWidth;
    RememberedWidth = newWidth;
    if (change != 0)
        setColumnWidths(ResizeColumns(columnWidths(), change));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ltvTask && event->type() == QEvent::Resize)
        ltvTaskResize(static_cast<QResizeEvent*>(event)->size().width());
    if (watched == ltvTask && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        coverListWithIntro();
    if (watched == panBottomCenter && event->type() == QEvent::Resize)
        stretchBoxes();
    if (watched == ltvTask->viewport())
        openOnDoubleClickBesideRows(event);
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease)
        Image1Click();
    if (watched == ltvTask && event->type() == QEvent::KeyPress
        && ltvTaskKeyDown(static_cast<QKeyEvent*>(event)->key()))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::openOnDoubleClickBesideRows(QEvent* event)
{
    // The press of a double click on empty space clears the selection before the
    // double click arrives, so the selection is taken as it was at that press.
    if (event->type() == QEvent::MouseButtonPress) {
        m_selectionAtPress = FirstSelectedTaskPath(*m_rows);
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (!ltvTask->itemAt(position) && !m_selectionAtPress.isEmpty())
            OpenOrExplain(*m_services.shell, *m_services.prompter, m_selectionAtPress);
    }
}

void TMainForm::cmbProfileChange()
{
    // LoadProfile leaves everything as it was when the file is missing.
    opSettingForm->LoadProfile(ProfilePathOf(m_program.ProgramDir, cmbProfile->currentText()));
    edtOutputFile->setText(WithOutputType(edtOutputFile->text(), opSettingForm->OutputExt));
}

void TMainForm::bbtnSettingClick()
{
    opSettingForm->showOver(this);
}

QString TMainForm::GetOutputSize(const QString& profilePath) const
{
    return ::GetOutputSize(profilePath, opSettingForm->choices());
}

QString TMainForm::BuildEncoderOptions(const QString& profilePath) const
{
    return ::BuildEncoderOptions(profilePath, opSettingForm->choices());
}

void TMainForm::tbtnAboutClick()
{
    if (!AboutForm)
        AboutForm = new TAboutForm(m_program, *m_services.shell, this, m_ownPrompter ? nullptr : m_services.prompter);
    AboutForm->showOver(this);
}

void TMainForm::tbtnHelpClick()
{
    OpenOrExplain(*m_services.shell, *m_services.prompter, {m_program.HelpFilePath, m_program.HelpPagesPath});
}

void TMainForm::Image1Click()
{
    OpenOrExplain(*m_services.shell, *m_services.prompter, ProgramValues::HomePage);
}

void TMainForm::bbtnBrowserClick()
{
    FileDialogOptions options = SaveDialog1;
    options.startAt = edtOutputFile->text();
    const QString chosen = m_services.dialogs->saveFile(options);
    if (!chosen.isEmpty())
        edtOutputFile->setText(chosen);
}

void TMainForm::bbtnOpenClick()
{
    const QString output = edtOutputFile->text();
    const QFileInfo file(output);
    if (!output.isEmpty() && file.isFile()) {
        OpenOrExplain(*m_services.shell, *m_services.prompter, output);
        return;
    }
    const QString folder = FolderOf(output);
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        OpenOrExplain(*m_services.shell, *m_services.prompter, folder);
}
