#pragma once

class QPushButton;
class QWidget;

// Enter and Esc in a dialog window, as in every desktop dialog: Enter presses the focused
// button, or else OK; Esc presses Cancel (OK where there is none). Keys that a box in the
// dialog uses itself stay with it.
void AcceptDialogKeys(QWidget* dialog, QPushButton* ok, QPushButton* cancel = nullptr);
