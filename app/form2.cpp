#include "form2.h"

#include "appicon.h"
#include "formlayout.h"
#include "windowsxpc.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Form2::Form2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | fixedCloseOnlyFrame)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Tamsk.Fernwatch【添加QQ】"));
    setWindowIcon(fernwatchIcon());
    useCaptionFont(this);
    setFixedSize(twips(0, 0, 5190, 2190).size());
    centreOnScreen(this);

    createControls();
    setTabOrder();
    m_text1->setFocus();

    connect(m_command1, &QPushButton::clicked, this, &Form2::acceptIfFilled);
    connect(m_command2, &QPushButton::clicked, this, &QDialog::reject);
}

void Form2::createControls()
{
    m_label1 = captioned<QLabel>(this, "Label1", "好友号码：", twips(420, 420, 1275, 255));
    m_text1 = place(new QLineEdit(this), "Text1", twips(1320, 405, 2055, 270));
    m_label2 = captioned<QLabel>(this, "Label2", "好友昵称：", twips(420, 960, 1395, 195));
    m_text2 = place(new QLineEdit(this), "Text2", twips(1320, 900, 2055, 270));
    m_command1 = captioned<QPushButton>(this, "Command1", "确定", twips(3660, 360, 1215, 315));
    m_command2 = captioned<QPushButton>(this, "Command2", "放弃", twips(3660, 900, 1215, 315));
    // Enter presses OK; Escape and the frame's close button cancel, as QDialog does.
    m_command1->setDefault(true);

    m_statusBar1 = statusBarWithPanel(this, twips(0, 1695, 5190, 495), 5160,
                                      QStringLiteral("PellSabo提示：号码只能为数字，否则程序将出错!"));
    m_windowsXPC1 = new WindowsXPC(this);
}

void Form2::setTabOrder()
{
    // The labels and the status bar take no focus, so the number box comes first.
    QWidget::setTabOrder(m_text1, m_text2);
    QWidget::setTabOrder(m_text2, m_command1);
    QWidget::setTabOrder(m_command1, m_command2);
}

QString Form2::number() const
{
    return m_text1->text();
}

QString Form2::nickname() const
{
    return m_text2->text();
}

void Form2::acceptIfFilled()
{
    // Refused without a word until both boxes hold something; blanks count as something.
    if (number().isEmpty() || nickname().isEmpty())
        return;
    accept();
}
