#pragma once

#include <QByteArray>
#include <QObject>

// The skin engine behind SkinH_AttachEx: reads a skin file and puts it on the whole application, on
// the windows open now and on those opened later.
//
// A skin file is a Qt style sheet in UTF-8. It names the controls by class and by object name: the
// main window "Form1" with Frame1-Frame3, ListView1, Option1-Option5, Command1-Command5 and
// StatusBar1; the add-friend dialog "Form2" with Label1, Label2, Text1, Text2, Command1, Command2 and
// StatusBar1. A file that is not UTF-8 or that Qt cannot parse as a style sheet is not used.
class SkinEngine : public QObject
{
    Q_OBJECT

public:
    static SkinEngine& instance();

    bool attach(const QByteArray& skinPath, const QByteArray& password);

signals:
    // Every attach request, whether or not the file could be used.
    void attachRequested(const QByteArray& skinPath, const QByteArray& password);

private:
    SkinEngine() = default;

    static bool parsesAsStyleSheet(const QString& styleSheet);
};
