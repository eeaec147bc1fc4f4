#pragma once

#include <QMessageBox>

// A modal box whose text is shown exactly as it is: nicknames and paths come from the user, and a
// nickname such as "<b>x</b>" is a name, not markup. Every question and every failure the program puts
// in a box goes through it.
class PlainTextBox
{
public:
    static QMessageBox::StandardButton ask(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                           const QString& text, QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton);
    // A failure told with the one button that closes the box.
    static void tell(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text);
};
