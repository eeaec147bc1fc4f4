#include "plaintextbox.h"

QMessageBox::StandardButton PlainTextBox::ask(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                              const QString& text, QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse); // so that a path or an address can be copied
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void PlainTextBox::tell(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    ask(parent, icon, title, text, QMessageBox::Ok, QMessageBox::Ok);
}
