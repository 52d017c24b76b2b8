#include "BaseGuiPlugin.h"

#include <QIcon>

namespace {
QString lowerFirst(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}
} // namespace

BaseGuiPlugin::BaseGuiPlugin(const QString& className, const QString& extraXml)
    : m_className(className), m_domXml(QStringLiteral("<ui language=\"c++\"><widget class=\"%1\" name=\"%2\"/>%3</ui>")
                                           .arg(className, lowerFirst(className), extraXml))
{
}

BaseGuiPlugin::BaseGuiPlugin(const QString& className, const QString& objectName, const QSize& size,
                             const QString& iconFile)
    : m_className(className), m_domXml(QStringLiteral("<ui language=\"c++\">\n"
                                                      " <widget class=\"%1\" name=\"%2\">\n"
                                                      "  <property name=\"geometry\">\n"
                                                      "   <rect>\n"
                                                      "    <x>0</x>\n"
                                                      "    <y>0</y>\n"
                                                      "    <width>%3</width>\n"
                                                      "    <height>%4</height>\n"
                                                      "   </rect>\n"
                                                      "  </property>\n"
                                                      " </widget>\n"
                                                      "</ui>")
                                           .arg(className, objectName)
                                           .arg(size.width())
                                           .arg(size.height())),
      m_iconFile(iconFile)
{
}

QString BaseGuiPlugin::name() const
{
    return m_className;
}

QString BaseGuiPlugin::group() const
{
    return QStringLiteral("CustomWidget");
}

QString BaseGuiPlugin::toolTip() const
{
    return QString();
}

QString BaseGuiPlugin::whatsThis() const
{
    return QString();
}

QIcon BaseGuiPlugin::icon() const
{
    return m_iconFile.isEmpty() ? QIcon() : QIcon(m_iconFile);
}

bool BaseGuiPlugin::isContainer() const
{
    return false;
}

bool BaseGuiPlugin::isInitialized() const
{
    return m_initialized;
}

void BaseGuiPlugin::initialize(QDesignerFormEditorInterface*)
{
    m_initialized = true;
}

QString BaseGuiPlugin::domXml() const
{
    return m_domXml;
}

QString BaseGuiPlugin::codeTemplate() const
{
    return QString();
}
