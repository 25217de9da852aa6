// The main window's side of a job: Start and Stop, the controls switched for a job, and
// the progress display, clock and messages that the job shows through its view.
#include "ui/MainForm.h"

#include "pipeline/JobRunner.h"
#include "pipeline/JobSettingsFrom.h"
#include "ui/CommandLinesWindow.h"
#include "ui/OutputFileText.h"
#include "ui/OutputSettingsForm.h"
#include "ui/SettingsForm.h"
#include "ui/TreeTaskRowStore.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

void TMainForm::buildJob()
{
    m_job = std::make_unique<JobRunner>(*m_rows, *this, *m_services.prompter,
                                        JobDesktop{m_services.inhibitor, m_services.notifier});
    connect(tbtnStart, &QToolButton::clicked, this, &TMainForm::tbtnStartClick);
    connect(tbtnStop, &QToolButton::clicked, this, &TMainForm::tbtnStopClick);
    connect(m_job.get(), &JobRunner::ended, this, &TMainForm::jobEnded);
}

JobState TMainForm::jobState() const
{
    return m_job->state();
}

JobSettings TMainForm::jobSettings() const
{
    return JobSettingsFrom(m_program, SettingForm->preferences(), cmbProfile->currentText(), opSettingForm->OutputExt,
                           opSettingForm->choices(), WithHomeFolder(edtOutputFile->text()));
}

void TMainForm::tbtnStartClick()
{
    // The box shows the file the job writes.
    edtOutputFile->setText(WithHomeFolder(edtOutputFile->text()));
    m_job->tbtnStartClick(jobSettings());
}

void TMainForm::showCommandLines()
{
    const JobSettings settings = jobSettings();
    // A profile that cannot be used gives no command lines, as it gives no job.
    if (!ProfileAccepted(settings, *m_services.prompter))
        return;
    (new CommandLinesWindow(this, JobRunner::PlannedCommandLines(*m_rows, settings).join('\n')))->show();
}

void TMainForm::tbtnStopClick()
{
    m_job->tbtnStopClick();
}

void TMainForm::switchJobMode(bool jobRuns)
{
    // Everything that could change the list, the profile or the preferences during a job.
    const QList<QWidget*> commands{tbtnAddFile, tbtnAddDir, tbtnUp,      tbtnDown, tbtnRemove,
                                   tbtnClear,   tbtnStart,  tbtnSetting, ltvTask};
    for (QWidget* control : commands)
        control->setEnabled(!jobRuns);
    tbtnStop->setEnabled(jobRuns);
}

void TMainForm::EnterJobMode()
{
    switchJobMode(true);
}

void TMainForm::LeaveJobMode()
{
    switchJobMode(false);
}

void TMainForm::showProgress(bool shown)
{
    // The panel that goes is hidden first: for a moment both would be wider than the
    // window, which would grow for them and stay grown.
    (shown ? panBottomCenter : panBottomLeft)->hide();
    (shown ? panBottomLeft : panBottomCenter)->show();
}

void TMainForm::setProcessTitle(const QString& title)
{
    labProcessTitle->setText(title);
}

void TMainForm::setConvertingFile(const QString& name, bool shown)
{
    // A long name keeps its start and its end; the tip shows it whole.
    labConvertingFile->setText(labConvertingFile->fontMetrics().elidedText(name, Qt::ElideMiddle,
                                                                           labConvertingFile->width()));
    labConvertingFile->setToolTip(name);
    labConvertingFile->setVisible(shown);
}

void TMainForm::setBars(int current, int total)
{
    // Qt ignores a value outside the range; the bar shows the nearest end instead.
    pgbCurrent->setValue(std::clamp(current, pgbCurrent->minimum(), pgbCurrent->maximum()));
    pgbTotal->setValue(std::clamp(total, pgbTotal->minimum(), pgbTotal->maximum()));
    // The labels show the bars as they read back, never outside 0 to 100.
    labCurProgress->setText(QString::number(pgbCurrent->value()) + "%");
    labTotalProgress->setText(QString::number(pgbTotal->value()) + "%");
}

void TMainForm::setTimes(const QString& elapsed, const QString& remaining)
{
    labElapsed->setText(elapsed);
    labRemaining->setText(remaining);
}


void TMainForm::showEncoderOutput(const QByteArray& chunk)
{
    Memo1->setPlainText(QString::fromUtf8(chunk));
}

void TMainForm::showJobNotice(const QString& text)
{
    // One line of the status bar; the whole text where the line is too short.
    statusBar()->showMessage(QString(text).replace('\n', "; "));
    statusBar()->setToolTip(text);
}

void TMainForm::focusTaskList()
{
    ltvTask->setFocus();
}

void TMainForm::focusOutputFile()
{
    edtOutputFile->setFocus();
}

void TMainForm::setOutputFile(const QString& path)
{
    edtOutputFile->setText(path);
}

void TMainForm::chooseProfile(const QString& name)
{
    const int index = cmbProfile->findText(name);
    if (index < 0)
        return;
    cmbProfile->setCurrentIndex(index);
    cmbProfileChange();
}

bool TMainForm::isWatched() const
{
    return isActiveWindow();
}

bool TMainForm::RunCompletionActions(const QString&)
{
    RunCompletionActions();
    return !isVisible();
}
