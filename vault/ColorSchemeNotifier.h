#pragma once

#include <QObject>

// Tells every switch of ColorScheme::setDark, whether the platform carried it
// out or a palette of ours did: where the platform does, the widgets may see
// no palette change at all.
class ColorSchemeNotifier : public QObject
{
    Q_OBJECT
Q_SIGNALS:
    void switched(bool dark);
};
