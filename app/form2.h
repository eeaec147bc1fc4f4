#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class WindowsXPC;

// The add-friend dialog: asks for a QQ number and a nickname, and is accepted only with both filled in;
// the main window then adds the friend. It is made anew for every opening and destroyed when it closes.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    explicit Form2(QWidget* parent = nullptr);

    QString number() const;
    QString nickname() const;

private slots:
    void acceptIfFilled();

private:
    void createControls();
    void setTabOrder();

    QLabel* m_label1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QStatusBar* m_statusBar1 = nullptr;
    WindowsXPC* m_windowsXPC1 = nullptr;
};
