#pragma once

#include "monitor/Corvane.h"
#include "monitor/DeviceTreeController.h"
#include "monitor/PreviewController.h"
#include "search/SearchFrame.h"

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

// The search page, which the window builds when it is first opened; null until then.
template <class Window>
SearchFrame* SearchPageOf(Window&& window)
{
    return AsObject(window)->template findChild<SearchFrame*>(QStringLiteral("frameSearchParam"));
}

// The widget of the window's form called `name`. The search page is a form of
// its own inside it, with names of its own (its pages too have a
// "labelTotalPage"), so only its own name is looked for there.
template <class Widget>
Widget FormWidget(QObject* window, const QString& name)
{
    QObject* searchPage = window->findChild<QObject*>(QStringLiteral("frameSearchParam"));
    for (Widget widget : window->findChildren<Widget>(name)) {
        bool inSearchPage = false;
        for (QObject* up = widget->parent(); up && !inSearchPage; up = up->parent())
            inSearchPage = up == searchPage;
        if (!inSearchPage)
            return widget;
    }
    return nullptr;
}

#define FORM_WIDGET(window, name) (FormWidget<decltype(Ui_CorvaneClass::name)>(AsObject(window), QStringLiteral(#name)))
