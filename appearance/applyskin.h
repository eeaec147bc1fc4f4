#pragma once

#include <QString>

class QWidget;

// Attaches the skin `file` (a name beginning with "/") from the executable's folder.
void ApplySkin(const QString& file);

// Starts the visual-style control of `window`, once per load of that window.
void StartVisualStyle(QWidget* window);

// The add-friend dialog's load step: applies the dialog file of the first selected skin option of
// `mainWindow`, if any is selected, then starts the dialog's visual-style control.
void ApplySelectedSkin(const QWidget* mainWindow, QWidget* dialog);
