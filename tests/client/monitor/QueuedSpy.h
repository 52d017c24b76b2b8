#pragma once

#include <QList>
#include <QObject>

// Records the values of a one-argument signal on the thread the spy lives on
// (the test's), whichever thread emits it. QSignalSpy appends on the emitting
// thread, so a signal of the alarm listener or of a login pass would be
// written there while the test reads it here.
template <class T>
class QueuedSpy : public QObject
{
public:
    template <class Sender, class Signal>
    QueuedSpy(Sender* sender, Signal signal)
    {
        connect(
            sender, signal, this, [this](const T& value) { values.append(value); }, Qt::QueuedConnection);
    }

    int count() const { return values.size(); }
    const T& at(int i) const { return values.at(i); }

    QList<T> values;
};
