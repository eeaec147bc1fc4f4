#include "applyskin.h"

#include "skinchoice.h"
#include "skinh.h"
#include "windowsxpc.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QCoreApplication>
#include <QWidget>

void ApplySkin(const QString& file)
{
    // The folder is asked for at every call and joined to the name exactly as given.
    const QString skinPath = QCoreApplication::applicationDirPath() + file;
    const QByteArray path8Bit = skinPath.toLocal8Bit();
    const QByteArray password8Bit = QString().toLocal8Bit();
    // The engine's answer is of no use here: a skin that cannot be attached leaves the look as it is.
    SkinH_AttachEx(path8Bit.constData(), password8Bit.constData());
}

void StartVisualStyle(QWidget* window)
{
    if (auto* control = window->findChild<WindowsXPC*>(QString(), Qt::FindDirectChildrenOnly))
        control->start();
}

void ApplySelectedSkin(const QWidget* mainWindow, QWidget* dialog)
{
    // The choice lives only in the option buttons: nothing selected, nothing applied.
    for (const SkinChoice& skin : skinChoices) {
        const auto* option = mainWindow->findChild<const QAbstractButton*>(QLatin1String(skin.option));
        if (option && option->isChecked()) {
            ApplySkin(QString::fromLatin1(skin.dialogFile));
            break;
        }
    }
    StartVisualStyle(dialog);
}
