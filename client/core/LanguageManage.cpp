#include "LanguageManage.h"

#include "ApplicationDir.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

LanguageManage* LanguageManage::GetInstance()
{
    // Created on first use and kept for the life of the process, like the
    // translations it installs.
    static LanguageManage* instance = new LanguageManage;
    return instance;
}

LanguageManage::LanguageManage() = default;
LanguageManage::~LanguageManage() = default;

QString LanguageManage::TranslationFile(int language)
{
    switch (language) {
    case Chinese: return ApplicationDirPath() + "/corvane_zh.qm";
    case English: return ApplicationDirPath() + "/corvane_en.qm";
    default: return {};
    }
}

void LanguageManage::SwitchLanguage(int language)
{
    if (language == m_currentLanguage || (language != Chinese && language != English))
        return;

    // Load into a fresh translator first: a missing or corrupt file must not
    // take away the translation that works.
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(TranslationFile(language)))
        return;

    // Dates, month and day names follow the language: the calendars take the
    // default locale over when the translator's change reaches them.
    QLocale::setDefault(language == English ? QLocale(QLocale::English, QLocale::UnitedStates)
                                            : QLocale(QLocale::Chinese, QLocale::China));
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
    QCoreApplication::installTranslator(translator.get());
    m_translator = std::move(translator);
    m_currentLanguage = language;
    emit languageChangeSig();
}
