#pragma once

#include "monitor/Corvane.h"
#include "monitor/DeviceTreeController.h"
#include "monitor/PreviewController.h"

#include <QObject>
#include <QPointer>

#include <memory>

// The tests reach the main window's parts by type and its widgets by their
// object names in the form, as the window itself never hands them out.
inline QObject* AsObject(QObject* object)
{
    return object;
}

inline QObject* AsObject(QObject& object)
{
    return &object;
}

template <class T>
QObject* AsObject(const std::unique_ptr<T>& object)
{
    return object.get();
}

template <class T>
QObject* AsObject(const QPointer<T>& object)
{
    return object.data();
}

template <class Window>
DeviceTreeController* TreeOf(Window&& window)
{
    return AsObject(window)->template findChild<DeviceTreeController*>();
}

template <class Window>
PreviewController* PreviewOf(Window&& window)
{
    return AsObject(window)->template findChild<PreviewController*>();
}

// The widget the form names `name`, with its type in the form.
#define FORM_WIDGET(window, name) \
    (AsObject(window)->findChild<decltype(Ui_CorvaneClass::name)>(QStringLiteral(#name)))
