#pragma once

class QPushButton;
class QWidget;

// What Enter presses: the focused button (OK when no button has the focus), or always OK,
// for a box whose other buttons start something the user must choose on purpose.
enum class EnterPresses { FocusedButton, Ok };

// Enter and Esc in a dialog window, as in every desktop dialog: Enter presses the focused
// button, or else OK; Esc presses Cancel (OK where there is none). Keys that a box in the
// dialog uses itself stay with it.
void AcceptDialogKeys(QWidget* dialog, QPushButton* ok, QPushButton* cancel = nullptr,
                      EnterPresses enter = EnterPresses::FocusedButton);
