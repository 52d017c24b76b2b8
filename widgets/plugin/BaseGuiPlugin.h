#pragma once

#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <QSize>

// What Qt Designer needs to know of one widget of the library: its class,
// group, icon and initial form. Each plug-in adds the header it names and
// the widget it creates.
class BaseGuiPlugin : public QDesignerCustomWidgetInterface
{
public:
    // A one-line form: the widget named after its class, first letter in lower case.
    explicit BaseGuiPlugin(const QString& className, const QString& extraXml = QString());
    // A form with the widget's object name and default geometry, and a picture icon.
    BaseGuiPlugin(const QString& className, const QString& objectName, const QSize& size, const QString& iconFile);

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QIcon icon() const override;
    bool isContainer() const override;
    bool isInitialized() const override;
    void initialize(QDesignerFormEditorInterface* core) override;
    QString domXml() const override;
    QString codeTemplate() const override;

private:
    QString m_className;
    QString m_domXml;
    QString m_iconFile;
    bool m_initialized = false;
};
