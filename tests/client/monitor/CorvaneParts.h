#pragma once

#include "monitor/Corvane.h"
#include "monitor/DeviceTreeController.h"
#include "monitor/IncidentItem.h"
#include "monitor/PreviewController.h"
#include "search/SearchFrame.h"

#include <QCoreApplication>
#include <QListView>
#include <QObject>
#include <QPointer>

#include "../../support/WaitUntil.h"

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

// The live list's row `row` (0 is the newest); null while the list has no such row.
template <class Window>
IncidentItem* LiveRow(Window&& window, int row = 0)
{
    QListView* list = FORM_WIDGET(window, listViewIncident);
    return qobject_cast<IncidentItem*>(list->indexWidget(list->model()->index(row, 0)));
}

// The name the live list gives an incident of `type` in the language now set,
// read from the row it takes in the list; empty when the row never shows it.
template <class Window>
QString LiveListTypeName(Window&& window, quint32 type)
{
    static int handedOver = 0;
    TrafficIncident incident;
    incident.deviceIp = QStringLiteral("127.0.10.1");
    incident.channelIp = QStringLiteral("127.0.10.2");
    incident.incidentType = type;
    // Only to know the row shows this incident and not the one before.
    incident.picPath = QStringLiteral("live-list-%1").arg(++handedOver);
    const QString marker = incident.picPath;
    qobject_cast<Corvane*>(AsObject(window))->DealIncidentTableSlot(incident);
    IncidentItem* newest = nullptr;
    const bool shown = testsupport::WaitUntil([&] {
        QCoreApplication::processEvents();
        return (newest = LiveRow(window)) && newest->picPath == marker;
    });
    if (!shown)
        return QString();
    return newest->typeName;
}
