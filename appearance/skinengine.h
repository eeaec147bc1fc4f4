#pragma once

#include <QByteArray>
#include <QObject>

// The skin engine behind SkinH_AttachEx: reads a skin file and puts it on the whole application.
// A skin file is a Qt style sheet in UTF-8.
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
};
