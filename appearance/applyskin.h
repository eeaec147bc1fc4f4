#pragma once

#include <QString>

class QWidget;

// The skin applied when the main window loads, and by "恢复默认皮肤".
inline const QString defaultSkinFile = QStringLiteral("/qq2009.she");

// Attaches the skin `file` (a name beginning with "/") from the executable's folder.
void ApplySkin(const QString& file);

// Starts the visual-style control of `window`, once per load of that window.
void StartVisualStyle(QWidget* window);

// The add-friend dialog's load step: starts the dialog's visual-style control.
void ApplySelectedSkin(QWidget* dialog);
