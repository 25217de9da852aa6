#include "ui/MessageBoxPrompter.h"

#include <QMessageBox>
#include <QPushButton>

MessageBoxPrompter::MessageBoxPrompter(QWidget* owner)
    : m_owner(owner)
{
}

// A message only tells: it is shown window-modal and the caller goes on at once, so that
// no job waits inside a nested event loop for its OK.
void MessageBoxPrompter::show(QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    auto* box = new QMessageBox(icon, caption, text, QMessageBox::Ok, m_owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void MessageBoxPrompter::inform(const QString& caption, const QString& text)
{
    show(QMessageBox::Information, caption, text);
}

bool MessageBoxPrompter::ask(const QString& caption, const QString& text)
{
    return QMessageBox::question(m_owner, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

Prompter::Answer MessageBoxPrompter::askForAll(const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Question, caption, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::NoToAll, m_owner);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::NoToAll);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::YesToAll:
        return Answer::YesToAll;
    case QMessageBox::NoToAll:
        return Answer::NoToAll;
    default:
        return Answer::No;
    }
}

bool MessageBoxPrompter::askWarning(const QString& caption, const QString& text)
{
    return QMessageBox::warning(m_owner, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

void MessageBoxPrompter::pose(const Question& question, std::function<void(bool)> answered)
{
    const bool goOn = question.kind == Question::Kind::GoOn;
    auto* box = new QMessageBox(question.kind == Question::Kind::Warning ? QMessageBox::Warning : QMessageBox::Question,
                                question.caption, question.text, QMessageBox::NoButton, m_owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* yes = goOn ? box->addButton(question.goOn, QMessageBox::AcceptRole) : box->addButton(QMessageBox::Yes);
    QPushButton* no = box->addButton(goOn ? QMessageBox::Cancel : QMessageBox::No);
    box->setDefaultButton(no);
    box->setEscapeButton(no);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, yes, answered = std::move(answered)] { answered(box->clickedButton() == yes); });
    box->open();
}

void MessageBoxPrompter::warn(const QString& caption, const QString& text)
{
    show(QMessageBox::Warning, caption, text);
}

void MessageBoxPrompter::notice(const QString& caption, const QString& text)
{
    show(QMessageBox::NoIcon, caption, text);
}

void MessageBoxPrompter::error(const QString& caption, const QString& text)
{
    show(QMessageBox::Critical, caption, text);
}
