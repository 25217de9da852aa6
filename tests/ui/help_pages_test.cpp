#include "tests/support/Clips.h"
#include "tests/ui/ProgramFolderFixture.h"
#include "ui/SettingsForm.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTextDocumentFragment>

namespace {

// What a reader sees of every help page the program ships, in one text.
QString HelpText()
{
    QString text;
    const QDir pages(ProgramFolder() + "help");
    for (const QString& name : pages.entryList({"*.html"}, QDir::Files)) {
        QFile page(pages.filePath(name));
        if (page.open(QIODevice::ReadOnly))
            text += QTextDocumentFragment::fromHtml(QString::fromUtf8(page.readAll())).toPlainText() + '\n';
    }
    return text.simplified();
}

// A caption as a sentence may quote it: without its closing colon, stop or blank.
QString Quotable(QString caption)
{
    caption = caption.simplified().remove('&');
    while (caption.endsWith(':') || caption.endsWith('.'))
        caption.chop(1);
    return caption;
}

class HelpPages : public ProgramFolderFixture {};

}

// Every setting of the general settings dialog and every shipped profile is named in the
// help pages, as the dialog and the profile list show them.
TEST_F(HelpPages, NameEveryGeneralSettingAndEveryProfile)
{
    const QString help = HelpText();
    ASSERT_FALSE(help.isEmpty());

    TMainForm& form = start();
    QStringList settings;
    for (const QAbstractButton* choice : form.SettingForm->findChildren<QAbstractButton*>())
        if (qobject_cast<const QCheckBox*>(choice) || qobject_cast<const QRadioButton*>(choice))
            settings << choice->text();
    for (const QLabel* label : form.SettingForm->findChildren<QLabel*>())
        settings << label->text();
    for (const QGroupBox* group : form.SettingForm->findChildren<QGroupBox*>())
        settings << group->title();
    ASSERT_GE(settings.size(), 8);
    for (const QString& setting : settings)
        EXPECT_TRUE(help.contains(Quotable(setting), Qt::CaseInsensitive)) << "setting: " << setting.toStdString();

    const QStringList profiles = QDir(ProgramFolder() + "Profiles").entryList({"*.bpf"}, QDir::Files);
    ASSERT_FALSE(profiles.isEmpty());
    for (const QString& file : profiles)
        EXPECT_TRUE(help.contains(QFileInfo(file).completeBaseName())) << "profile: " << file.toStdString();
}
