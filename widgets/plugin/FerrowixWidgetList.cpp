#include "FerrowixWidgetList.h"

#include "BaseGuiPlugin.h"
#include "QCheckableComboBox.h"
#include "QCustomTableWidget.h"
#include "QDateTimeEditWithPopup.h"
#include "QIP4LineEdit.h"
#include "QIconPushButton.h"
#include "QPassWordEdit.h"
#include "QPictureButton.h"
#include "QRangeCalendarWidget.h"
#include "QRangeDateEditWithPopup.h"
#include "QRangeDateTimeEditWithPopup.h"
#include "QSimpleSliderNavigation.h"
#include "QSpecificLineEdit.h"
#include "QSreachBox.h"
#include "QStyledCalendarWidget.h"
#include "QStyledComboBox.h"
#include "QSwitchButton.h"
#include "QTopSliderNavigation.h"
#include "QTreeNavigation.h"
#include "QVerifyLineEdit.h"
#include "QYearMonthCalendarView.h"
#include "QCheckListComboBox.h"

// A plug-in names the widget's class and public header and creates the widget;
// `creation` is an expression over the form's `parent`.
#define FERROWIX_PLUGIN(Plugin, widgetClass, header, creation)                                                         \
    class Plugin : public QObject, public BaseGuiPlugin                                                                \
    {                                                                                                                  \
        Q_OBJECT                                                                                                       \
    public:                                                                                                            \
        explicit Plugin(QObject* owner) : QObject(owner), BaseGuiPlugin(QStringLiteral(widgetClass)) { }               \
        QString includeFile() const override { return QStringLiteral(header ".h"); }                                   \
        QWidget* createWidget(QWidget* parent) override { return creation; }                                           \
    };

// The first widgets offered show a picture in the widget box and start with a set size.
#define FERROWIX_ICON_PLUGIN(Plugin, widgetClass, objectName, width, height, iconFile)                                 \
    class Plugin : public QObject, public BaseGuiPlugin                                                                \
    {                                                                                                                  \
        Q_OBJECT                                                                                                       \
        Q_INTERFACES(QDesignerCustomWidgetInterface)                                                                   \
    public:                                                                                                            \
        explicit Plugin(QObject* owner)                                                                                \
            : QObject(owner), BaseGuiPlugin(QStringLiteral(#widgetClass), QStringLiteral(objectName),                  \
                                            QSize(width, height), QStringLiteral(iconFile))                            \
        {                                                                                                              \
        }                                                                                                              \
        QString includeFile() const override { return QStringLiteral(#widgetClass ".h"); }                             \
        QWidget* createWidget(QWidget* parent) override { return new widgetClass(parent); }                            \
    };

FERROWIX_ICON_PLUGIN(QTopSliderNavigationPlugin, QTopSliderNavigation, "topSliderNavigation", 300, 48,
                     ":/images/TopSlideNavigation.png")
FERROWIX_ICON_PLUGIN(QSwitchButtonPlugin, QSwitchButton, "switchButton", 64, 32, ":/images/switchbutton.png")
FERROWIX_ICON_PLUGIN(QPictureButtonPlugin, QPictureButton, "pictureButton", 80, 30, ":/images/picturebutton.png")

FERROWIX_PLUGIN(QVerifyLineEditPlugin, "QVerifyLineEdit", "QVerifyLineEdit", new QVerifyLineEdit(parent))
FERROWIX_PLUGIN(QPassWordEditPlugin, "QPassWordEdit", "QPassWordEdit", new QPassWordEdit(parent))
FERROWIX_PLUGIN(QStyledComboBoxPlugin, "QStyledComboBox", "QStyledComboBox", new QStyledComboBox(parent))
FERROWIX_PLUGIN(QSerachBoxPlugin, "QSreachBox", "QSreachBox", new QSreachBox(parent))
FERROWIX_PLUGIN(QCheckableComboBoxPlugin, "QCheckableComboBox", "QCheckableComboBox", new QCheckableComboBox(parent))
FERROWIX_PLUGIN(QStyledCalendarWidgetPlugin, "QStyledCalendarWidget", "QStyledCalendarWidget",
                (new QStyledCalendarWidget(parent, QStyledCalendarWidget::DateCalendar)))
FERROWIX_PLUGIN(QDateTimeEditWithPopupPlugin, "QDateTimeEditWithPopup", "QDateTimeEditWithPopup",
                new QDateTimeEditWithPopup(parent))
FERROWIX_PLUGIN(QCustomTableWidgetPlugin, "QCustomTableWidget", "QCustomTableWidget", new QCustomTableWidget(parent))
FERROWIX_PLUGIN(QRangeDateEditPlugin, "QRangeDateEditWithPopup", "QRangeDateEditWithPopup",
                new QRangeDateEditWithPopup(parent))
// Shares the date-only edit's header, which declares both range edits.
FERROWIX_PLUGIN(QRangeDateTimeEditPlugin, "QRangeDateTimeEditWithPopup", "QRangeDateEditWithPopup",
                new QRangeDateTimeEditWithPopup(parent))
FERROWIX_PLUGIN(QRangeCalendarWidgetPlugin, "QRangeCalendarWidget", "QRangeCalendarWidget",
                (new QRangeCalendarWidget(parent, {},
                                          QRangeCalendarWidget::TimeEditMode | QRangeCalendarWidget::ShortCutMode)))
FERROWIX_PLUGIN(QIP4LineEditPlugin, "QIP4LineEdit", "QIP4LineEdit", new QIP4LineEdit(parent))
FERROWIX_PLUGIN(QTreeNavigationPlugin, "QTreeNavigation", "QTreeNavigation", new QTreeNavigation(parent))
FERROWIX_PLUGIN(QSimpleSliderNavigationPlugin, "QSimpleSliderNavigation", "QSimpleSliderNavigation",
                new QSimpleSliderNavigation(parent))
FERROWIX_PLUGIN(QIconPushButtonPlugin, "QIconPushButton", "QIconPushButton", new QIconPushButton(parent))
FERROWIX_PLUGIN(QYearMonthCalendarViewPlugin, "QYearMonthCalendarView", "QYearMonthCalendarView",
                new QYearMonthCalendarView(parent))
FERROWIX_PLUGIN(QCheckListComboBoxPlugin, "QCheckListComboBox", "qchecklistcombobox", new QCheckListComboBox(parent))
FERROWIX_PLUGIN(QSpecificLineEditPlugin, "QSpecificLineEdit", "QSpecificLineEdit", new QSpecificLineEdit(parent))

FerrowixWidgetList::FerrowixWidgetList(QObject* parent) : QObject(parent)
{
    m_widgets = {
        new QTopSliderNavigationPlugin(this),
        new QSwitchButtonPlugin(this),
        new QPictureButtonPlugin(this),
        new QVerifyLineEditPlugin(this),
        new QPassWordEditPlugin(this),
        new QStyledComboBoxPlugin(this),
        new QSerachBoxPlugin(this),
        new QCheckableComboBoxPlugin(this),
        new QStyledCalendarWidgetPlugin(this),
        new QDateTimeEditWithPopupPlugin(this),
        new QCustomTableWidgetPlugin(this),
        new QRangeDateEditPlugin(this),
        new QRangeDateTimeEditPlugin(this),
        new QRangeCalendarWidgetPlugin(this),
        new QIP4LineEditPlugin(this),
        new QTreeNavigationPlugin(this),
        new QSimpleSliderNavigationPlugin(this),
        new QIconPushButtonPlugin(this),
        new QYearMonthCalendarViewPlugin(this),
        new QCheckListComboBoxPlugin(this),
        new QSpecificLineEditPlugin(this),
    };
}

QList<QDesignerCustomWidgetInterface*> FerrowixWidgetList::customWidgets() const
{
    return m_widgets;
}

#include "FerrowixWidgetList.moc"
