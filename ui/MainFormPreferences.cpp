// The main window's preferences: the remembered profile and output file, the general
// settings dialog, and what a completed job does last.
#include "ui/MainForm.h"

#include "pipeline/JobRunner.h"
#include "platform/Prompter.h"
#include "platform/CompletionActions.h"
#include "settings/IniFile.h"
#include "tasks/TaskAdder.h"
#include "ui/PowerOffCountdown.h"
#include "ui/SettingsForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>

void TMainForm::tbtnSettingClick()
{
    SettingForm->showWithOutputFile(edtOutputFile->text());
}

void TMainForm::LoadMainPreferences()
{
    const TIniFile preferences(m_program.PreferencesPath);
    QStringList notes{m_program.PreferencesNote};
    if (const auto refusal = preferences.writeRefusal())
        notes << *refusal + ": the preferences are not kept";
    notes.removeAll(QString());
    if (!notes.isEmpty())
        statusBar()->showMessage(notes.join("; "));
    if (cmbProfile->count() > 0) {
        // The name holds when profiles are added or removed, which moves the others' places;
        // preferences written before the name was kept have the place alone.
        const int named = cmbProfile->findText(preferences.ReadText("Main", "Profile Name", QString()));
        const int position = named >= 0 ? named : preferences.ReadNumber("Main", "Profile", 0);
        cmbProfile->setCurrentIndex(position >= 0 && position < cmbProfile->count() ? position : -1);
        // Choosing by program raises no change of its own.
        cmbProfileChange();
    }
    edtOutputFile->setText(preferences.ReadText("Main", "Output File", QString()));
    // Where the user left the window. Qt keeps only its title bar on a screen that is there
    // now; a place saved on a larger screen would leave the rest off this one, so the window
    // then comes back in the middle of the screen, no larger than it.
    const QByteArray saved = QByteArray::fromBase64(preferences.ReadText("Window", "Geometry", QString()).toLatin1());
    if (saved.isEmpty() || !restoreGeometry(saved) || isMaximized() || isFullScreen())
        return;
    const QRect available = screen()->availableGeometry();
    if (!available.contains(geometry())) {
        resize(size().boundedTo(available.size()));
        move(available.center() - rect().center());
    }
}

void TMainForm::SaveMainPreferences()
{
    TIniFile preferences(m_program.PreferencesPath);
    preferences.WriteNumber("Main", "Profile", cmbProfile->currentIndex());
    preferences.WriteText("Main", "Profile Name", cmbProfile->currentText());
    preferences.WriteText("Main", "Output File", edtOutputFile->text());
    preferences.WriteText("Window", "Geometry", QString::fromLatin1(saveGeometry().toBase64()));
}

void TMainForm::RunCompletionActions()
{
    const GeneralPreferences chosen = SettingForm->preferences();
    const CompletionChoices choices{chosen.turnOff, chosen.exit, chosen.openDir, edtOutputFile->text()};
    const QPointer<TMainForm> window(this);
    // The countdown belongs to the window: closing the window ends it without a power-off.
    const auto countdown = [window](std::function<void(bool)> decided) {
        if (!window)
            return;
        auto* box = new PowerOffCountdown(window);
        connect(box, &QDialog::finished, box, [decided](int result) { decided(result == QDialog::Accepted); });
        box->open();
    };
    ::RunCompletionActions(choices, {*m_services.prompter, *m_services.shell, *m_services.power, countdown}, [window] {
        if (window)
            window->close();
    });
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous() && !m_shownBefore) {
        m_shownBefore = true;
        LoadMainPreferences();
    }
}

void TMainForm::endAtSignal()
{
    m_endingAtSignal = true;
    close();
    // Other windows open beside this one must not keep the program.
    QCoreApplication::quit();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // A running job is the user's work of many minutes: closing asks first.
    if (m_job->state() == JobState::Running && !m_endingAtSignal
        && !m_services.prompter->askWarning(
            "Job Running", "A job is running. Do you want to stop it and exit?")) {
        event->ignore();
        return;
    }
    // Closing ends the program: an add in progress ends at once, without a word, and a
    // job stops its encoder and removes its intermediate files.
    m_adder->StopQuietly();
    m_job->Abort();
    try {
        SaveMainPreferences();
    } catch (const IniWriteError& error) {
        // Nothing may hold the closing (a signal's above all); the user was told at start-up
        // that the preferences are not kept.
        statusBar()->showMessage(QString::fromUtf8(error.what()));
    }
    QMainWindow::closeEvent(event);
}
