#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPluginLoader>
#include <QRegularExpression>
#include <QUiLoader>
#include <QXmlStreamReader>
#include <QtTest>

namespace {
struct Entry
{
    const char* plugin;
    const char* widget;
    const char* header;
};

// The collection in the order Designer receives it.
const Entry kEntries[] = {
    {"QTopSliderNavigationPlugin", "QTopSliderNavigation", "QTopSliderNavigation.h"},
    {"QSwitchButtonPlugin", "QSwitchButton", "QSwitchButton.h"},
    {"QPictureButtonPlugin", "QPictureButton", "QPictureButton.h"},
    {"QVerifyLineEditPlugin", "QVerifyLineEdit", "QVerifyLineEdit.h"},
    {"QPassWordEditPlugin", "QPassWordEdit", "QPassWordEdit.h"},
    {"QStyledComboBoxPlugin", "QStyledComboBox", "QStyledComboBox.h"},
    {"QSerachBoxPlugin", "QSreachBox", "QSreachBox.h"},
    {"QCheckableComboBoxPlugin", "QCheckableComboBox", "QCheckableComboBox.h"},
    {"QStyledCalendarWidgetPlugin", "QStyledCalendarWidget", "QStyledCalendarWidget.h"},
    {"QDateTimeEditWithPopupPlugin", "QDateTimeEditWithPopup", "QDateTimeEditWithPopup.h"},
    {"QCustomTableWidgetPlugin", "QCustomTableWidget", "QCustomTableWidget.h"},
    {"QRangeDateEditPlugin", "QRangeDateEditWithPopup", "QRangeDateEditWithPopup.h"},
    {"QRangeDateTimeEditPlugin", "QRangeDateTimeEditWithPopup", "QRangeDateEditWithPopup.h"},
    {"QRangeCalendarWidgetPlugin", "QRangeCalendarWidget", "QRangeCalendarWidget.h"},
    {"QIP4LineEditPlugin", "QIP4LineEdit", "QIP4LineEdit.h"},
    {"QTreeNavigationPlugin", "QTreeNavigation", "QTreeNavigation.h"},
    {"QSimpleSliderNavigationPlugin", "QSimpleSliderNavigation", "QSimpleSliderNavigation.h"},
    {"QIconPushButtonPlugin", "QIconPushButton", "QIconPushButton.h"},
    {"QYearMonthCalendarViewPlugin", "QYearMonthCalendarView", "QYearMonthCalendarView.h"},
    {"QCheckListComboBoxPlugin", "QCheckListComboBox", "qchecklistcombobox.h"},
    {"QSpecificLineEditPlugin", "QSpecificLineEdit", "QSpecificLineEdit.h"},
};
constexpr int kPictureIconPlugins = 3;

// The text a form's generated code sees through `#include "<file>"`: the
// library header itself and the library headers it includes in turn.
QString headerText(const QString& file)
{
    QFile header(QDir(QStringLiteral(FERROWIX_HEADER_DIR)).filePath(file));
    if (!header.open(QIODevice::ReadOnly))
        return QString();
    const QString own = QString::fromUtf8(header.readAll());
    static const QRegularExpression localInclude(QStringLiteral("^#include \"([^\"]+)\"$"),
                                                 QRegularExpression::MultilineOption);
    QString text = own;
    for (auto match = localInclude.globalMatch(own); match.hasNext();)
        text += headerText(match.next().captured(1));
    return text;
}

QString geometryForm(const QString& widgetClass, const QString& name, int width, int height)
{
    return QStringLiteral("<ui language=\"c++\">\n <widget class=\"%1\" name=\"%2\">\n"
                          "  <property name=\"geometry\">\n   <rect>\n    <x>0</x>\n    <y>0</y>\n"
                          "    <width>%3</width>\n    <height>%4</height>\n   </rect>\n  </property>\n"
                          " </widget>\n</ui>")
        .arg(widgetClass, name)
        .arg(width)
        .arg(height);
}
} // namespace

class TestDesignerPlugin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void metadataNamesTheCollection();
    void listsWidgetsInOrder_data();
    void listsWidgetsInOrder();
    void includeFilesDeclareTheirWidget_data();
    void includeFilesDeclareTheirWidget();
    void formXml_data();
    void formXml();
    void initializeOnce();
    void createsEveryWidget_data();
    void createsEveryWidget();
    void uiLoaderBuildsFormWithEveryWidget();

private:
    QDesignerCustomWidgetInterface* plugin(int index) const { return m_widgets.value(index); }
    static void addRows();

    QPluginLoader m_loader;
    QList<QDesignerCustomWidgetInterface*> m_widgets;
};

void TestDesignerPlugin::initTestCase()
{
    QString found;
    for (const QString& path : QCoreApplication::libraryPaths()) {
        const QString candidate = QDir(path).filePath(QStringLiteral("designer/libFerrowix.so"));
        if (QFile::exists(candidate))
            found = candidate;
    }
    QVERIFY2(!found.isEmpty(), "libFerrowix.so not found under a designer/ folder of QT_PLUGIN_PATH");
    m_loader.setFileName(found);
    QVERIFY2(m_loader.load(), qPrintable(m_loader.errorString()));
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(m_loader.instance());
    QVERIFY(collection);
    m_widgets = collection->customWidgets();
}

void TestDesignerPlugin::metadataNamesTheCollection()
{
    const QJsonObject meta = m_loader.metaData();
    QCOMPARE(meta.value(QStringLiteral("IID")).toString(),
             QStringLiteral("org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface"));
    QCOMPARE(meta.value(QStringLiteral("className")).toString(), QStringLiteral("FerrowixWidgetList"));
    QVERIFY(meta.value(QStringLiteral("MetaData")).toObject().isEmpty());
    QCOMPARE(m_loader.instance()->metaObject()->className(), "FerrowixWidgetList");
}

void TestDesignerPlugin::addRows()
{
    QTest::addColumn<int>("index");
    int index = 0;
    for (const Entry& entry : kEntries)
        QTest::newRow(entry.widget) << index++;
}

void TestDesignerPlugin::listsWidgetsInOrder_data()
{
    addRows();
}

void TestDesignerPlugin::listsWidgetsInOrder()
{
    QFETCH(int, index);
    QCOMPARE(m_widgets.size(), int(std::size(kEntries)));
    const Entry& entry = kEntries[index];
    QDesignerCustomWidgetInterface* widget = plugin(index);
    auto* object = dynamic_cast<QObject*>(widget);
    QVERIFY(object);
    QCOMPARE(object->metaObject()->className(), entry.plugin);
    QCOMPARE(object->parent(), m_loader.instance());
    QCOMPARE(widget->name(), QLatin1String(entry.widget));
    QCOMPARE(widget->includeFile(), QLatin1String(entry.header));
    QCOMPARE(widget->group(), QStringLiteral("CustomWidget"));
    QVERIFY(widget->toolTip().isEmpty());
    QVERIFY(widget->whatsThis().isEmpty());
    QVERIFY(widget->codeTemplate().isEmpty());
    QVERIFY(!widget->isContainer());
    QVERIFY(object->qt_metacast("BaseGuiPlugin"));
    const bool pictureIcon = index < kPictureIconPlugins;
    QCOMPARE(!widget->icon().isNull(), pictureIcon);
    // The first three also answer to Designer's interface id.
    QCOMPARE(object->qt_metacast("org.qt-project.QDesignerCustomWidgetInterface") != nullptr, pictureIcon);
}

void TestDesignerPlugin::includeFilesDeclareTheirWidget_data()
{
    addRows();
}

void TestDesignerPlugin::includeFilesDeclareTheirWidget()
{
    QFETCH(int, index);
    QDesignerCustomWidgetInterface* widget = plugin(index);
    // Exact, case-sensitive file names: a form's generated code includes them as given.
    const QString text = headerText(widget->includeFile());
    QVERIFY2(!text.isEmpty(), qPrintable(widget->includeFile()));
    const QRegularExpression declaration(QStringLiteral("class\\s+(FERROWIX_EXPORT\\s+)?%1\\s*:").arg(widget->name()));
    QVERIFY2(declaration.match(text).hasMatch(),
             qPrintable(widget->name() + " not declared in " + widget->includeFile()));
}

void TestDesignerPlugin::formXml_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("xml");

    QTest::newRow("top slider navigation")
        << 0 << geometryForm(QStringLiteral("QTopSliderNavigation"), QStringLiteral("topSliderNavigation"), 300, 48);
    QTest::newRow("switch button") << 1
                                   << geometryForm(QStringLiteral("QSwitchButton"), QStringLiteral("switchButton"), 64,
                                                   32);
    QTest::newRow("picture button") << 2
                                    << geometryForm(QStringLiteral("QPictureButton"), QStringLiteral("pictureButton"),
                                                    80, 30);
    for (int index = kPictureIconPlugins; index < int(std::size(kEntries)); ++index) {
        QString name = QLatin1String(kEntries[index].widget);
        QString object = name;
        object[0] = object[0].toLower();
        QTest::newRow(kEntries[index].widget)
            << index
            << QStringLiteral("<ui language=\"c++\"><widget class=\"%1\" name=\"%2\"/></ui>").arg(name, object);
    }
}

void TestDesignerPlugin::formXml()
{
    QFETCH(int, index);
    QFETCH(QString, xml);
    const QString actual = plugin(index)->domXml();
    QCOMPARE(actual, xml);
    QXmlStreamReader reader(actual);
    while (!reader.atEnd())
        reader.readNext();
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
}

void TestDesignerPlugin::initializeOnce()
{
    for (QDesignerCustomWidgetInterface* widget : qAsConst(m_widgets)) {
        QVERIFY(!widget->isInitialized());
        widget->initialize(nullptr);
        QVERIFY(widget->isInitialized());
        widget->initialize(nullptr);
        QVERIFY(widget->isInitialized());
    }
}

void TestDesignerPlugin::createsEveryWidget_data()
{
    addRows();
}

void TestDesignerPlugin::createsEveryWidget()
{
    QFETCH(int, index);
    QWidget form;
    QWidget* widget = plugin(index)->createWidget(&form);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), &form);
    QCOMPARE(widget->metaObject()->className(), kEntries[index].widget);
}

void TestDesignerPlugin::uiLoaderBuildsFormWithEveryWidget()
{
    QUiLoader loader;
    const QStringList available = loader.availableWidgets();
    QString widgets;
    QString customWidgets;
    for (const Entry& entry : kEntries) {
        QVERIFY2(available.contains(QLatin1String(entry.widget)), entry.widget);
        widgets += QStringLiteral("<widget class=\"%1\" name=\"my%1\"/>").arg(QLatin1String(entry.widget));
        customWidgets += QStringLiteral("<customwidget><class>%1</class><extends>QWidget</extends>"
                                        "<header>%2</header></customwidget>")
                             .arg(QLatin1String(entry.widget), QLatin1String(entry.header));
    }
    const QString ui = QStringLiteral("<ui version=\"4.0\"><class>Form</class>"
                                      "<widget class=\"QWidget\" name=\"Form\"><layout class=\"QVBoxLayout\">%1"
                                      "</layout></widget><customwidgets>%2</customwidgets></ui>")
                           .arg(widgets.replace(QLatin1String("<widget"), QLatin1String("<item><widget"))
                                    .replace(QLatin1String("/>"), QLatin1String("/></item>")),
                                customWidgets);
    QByteArray bytes = ui.toUtf8();
    QBuffer buffer(&bytes);
    std::unique_ptr<QWidget> form(loader.load(&buffer));
    QVERIFY2(form, qPrintable(loader.errorString()));
    for (const Entry& entry : kEntries) {
        auto* child = form->findChild<QWidget*>(QStringLiteral("my%1").arg(QLatin1String(entry.widget)));
        QVERIFY2(child, entry.widget);
        QCOMPARE(child->metaObject()->className(), entry.widget);
    }
}

QTEST_MAIN(TestDesignerPlugin)
#include "test_designer_plugin.moc"
