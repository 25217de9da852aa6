#include "tests/support/Clips.h"
#include "tests/ui/ProgramFolderFixture.h"
#include "ui/AboutForm.h"
#include "ui/OutputSettingsForm.h"
#include "ui/SettingsForm.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <functional>

namespace {

class DialogKeys : public ProgramFolderFixture {
protected:
    // A key as the user types it into a box of the dialog: what the box does not use
    // goes on to the dialog window.
    static void type(QWidget* box, Qt::Key key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(box, &press);
    }
};

}

// Esc is Cancel and Enter is OK in every dialog, from a box of its own as from the window.
TEST_F(DialogKeys, EscCancelsAndEnterConfirmsInEveryDialog)
{
    QDir(programDir()).mkdir("Profiles");
    QFile::copy(ProgramFolder() + "Profiles/AVI - MPEG-4 Video.bpf", programDir() + "Profiles/AVI - MPEG-4 Video.bpf");
    TMainForm& form = start();
    form.show();
    TSettingForm& general = *form.SettingForm;
    TopSettingForm& output = *form.opSettingForm;

    struct Case {
        const char* what;
        std::function<QWidget*()> open; // gives the dialog's box that has the keys
        QWidget* dialog;
        std::function<void()> edit;
        std::function<bool()> edited; // whether the edit was kept
    };
    const Case cases[] = {
        {"general settings", [&]() -> QWidget* { form.tbtnSetting->click(); return general.edtTempDir; }, &general,
         [&] { general.edtTempDir->setText("/typed/"); }, [&] { return general.edtTempDir->text() == "/typed/"; }},
        {"output settings",
         [&]() -> QWidget* {
             form.bbtnSetting->click();
             output.rdbManualSize->click();
             return output.edtWidth;
         },
         &output, [&] { output.edtWidth->setText("640"); output.edtHeight->setText("360"); },
         [&] { return output.edtWidth->text() == "640"; }},
        {"About", [&]() -> QWidget* { form.tbtnAbout->click(); return form.findChild<TAboutForm*>(); }, nullptr,
         [] {}, [] { return true; }},
        {"About with Tech Support focused",
         [&]() -> QWidget* {
             form.tbtnAbout->click();
             auto* about = form.findChild<TAboutForm*>();
             QApplication::setActiveWindow(about);
             about->btnTech->setFocus();
             return QApplication::focusWidget() == about->btnTech ? about->btnTech : nullptr;
         },
         nullptr, [] {}, [] { return true; }},
    };
    for (const Case& test : cases) {
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            QWidget* box = test.open();
            QWidget* dialog = test.dialog ? test.dialog : box;
            ASSERT_TRUE(dialog && dialog->isVisible()) << test.what;
            test.edit();
            type(box, key);
            EXPECT_FALSE(dialog->isVisible()) << test.what << " after " << (key == Qt::Key_Escape ? "Esc" : "Enter");
            EXPECT_TRUE(form.isEnabled()) << test.what;
            if (test.dialog) {
                test.open();
                EXPECT_EQ(test.edited(), key == Qt::Key_Return) << test.what << ": Esc puts back, Enter keeps";
                dialog->close();
            }
        }
    }
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_TRUE(shell.opened.isEmpty()) << "Enter starts no mail";
}
