#include "tests/support/Clips.h"
#include "tests/ui/ProgramFolderFixture.h"
#include "ui/SettingsForm.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextDocumentFragment>

using HelpPages = ProgramFolderFixture;

// Every setting of the general settings dialog, as a sentence may quote its caption, and
// every shipped profile are named in the help pages that the program ships.
TEST_F(HelpPages, NameEveryGeneralSettingAndEveryProfile)
{
    QString help;
    const QDir pages(ProgramFolder() + "help");
    for (const QString& name : pages.entryList({"*.html"})) {
        QFile page(pages.filePath(name));
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        help += QTextDocumentFragment::fromHtml(QString::fromUtf8(page.readAll())).toPlainText().simplified() + ' ';
    }
    QStringList names;
    const TSettingForm& dialog = *start().SettingForm;
    for (const QAbstractButton* choice : dialog.findChildren<QAbstractButton*>())
        if (qobject_cast<const QCheckBox*>(choice) || qobject_cast<const QRadioButton*>(choice))
            names << QString(choice->text()).remove(QRegularExpression("[.: ]+$"));
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        names << QString(label->text()).remove(QRegularExpression("[.: ]+$"));
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>())
        names << group->title();
    for (const QString& file : QDir(ProgramFolder() + "Profiles").entryList({"*.bpf"}))
        names << QFileInfo(file).completeBaseName();
    ASSERT_GE(names.size(), 20);
    for (const QString& name : names)
        EXPECT_TRUE(help.contains(name, Qt::CaseInsensitive)) << name.toStdString() << " is not in the help pages";
}
