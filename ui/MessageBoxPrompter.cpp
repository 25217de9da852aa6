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

void MessageBoxPrompter::poseForAll(const QString& caption, const QString& text, std::function<void(Answer)> answered)
{
    auto* box = new QMessageBox(QMessageBox::Question, caption, text,
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::NoToAll, m_owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setDefaultButton(QMessageBox::Yes);
    box->setEscapeButton(QMessageBox::NoToAll);
    QObject::connect(box, &QMessageBox::finished, box, [box, answered = std::move(answered)] {
        switch (box->standardButton(box->clickedButton())) {
        case QMessageBox::Yes:
            answered(Answer::Yes);
            break;
        case QMessageBox::YesToAll:
            answered(Answer::YesToAll);
            break;
        case QMessageBox::NoToAll:
            answered(Answer::NoToAll);
            break;
        default:
            answered(Answer::No);
            break;
        }
    });
    box->open();
}

void MessageBoxPrompter::pose(const Question& question, std::function<void(bool)> answered)
{
    const bool goOn = question.kind == Question::Kind::GoOn;
    auto* box = new QMessageBox(question.kind == Question::Kind::Warning ? QMessageBox::Warning : QMessageBox::Question,
                                question.caption, question.text, QMessageBox::NoButton, m_owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* yes = goOn ? box->addButton(question.goOn, QMessageBox::AcceptRole) : box->addButton(QMessageBox::Yes);
    QPushButton* no = box->addButton(goOn ? QMessageBox::Cancel : QMessageBox::No);
    box->setDefaultButton(question.yesByDefault ? yes : no);
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
