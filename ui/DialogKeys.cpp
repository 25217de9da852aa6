#include "ui/DialogKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

namespace {

// Sees only the key presses that reached the dialog window itself: those that no box in
// it took.
class DialogKeyFilter : public QObject {
public:
    DialogKeyFilter(QWidget* dialog, QPushButton* ok, QPushButton* cancel, EnterPresses enter)
        : QObject(dialog)
        , m_dialog(dialog)
        , m_ok(ok)
        , m_cancel(cancel ? cancel : ok)
        , m_enter(enter)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_dialog || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
            return false;
        QPushButton* pressed = nullptr;
        if (key->key() == Qt::Key_Escape) {
            pressed = m_cancel;
        } else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            auto* focused = m_enter == EnterPresses::FocusedButton
                ? qobject_cast<QPushButton*>(QApplication::focusWidget())
                : nullptr;
            pressed = focused && m_dialog->isAncestorOf(focused) ? focused : m_ok.data();
        }
        if (!pressed || !pressed->isEnabled())
            return false;
        pressed->click();
        return true;
    }

private:
    QWidget* m_dialog;
    QPointer<QPushButton> m_ok;
    QPointer<QPushButton> m_cancel;
    EnterPresses m_enter;
};

} // namespace

void AcceptDialogKeys(QWidget* dialog, QPushButton* ok, QPushButton* cancel, EnterPresses enter)
{
    dialog->installEventFilter(new DialogKeyFilter(dialog, ok, cancel, enter));
}
