#pragma once

#include <QObject>

#include <memory>

class QTranslator;

// Owns the one installed translation of the client and switches it at run time.
// Language codes: 0 Chinese, 1 English, 2 none. GUI thread only.
class LanguageManage : public QObject
{
    Q_OBJECT

public:
    static constexpr int Chinese = 0;
    static constexpr int English = 1;
    static constexpr int NoLanguage = 2;

    static LanguageManage* GetInstance();

    // Loads the code's translation from the application directory and installs
    // it. A file that does not load leaves the working translation in place.
    void SwitchLanguage(int language);
    int CurrentLanguage() const { return m_currentLanguage; }

    // "corvane_zh.qm" or "corvane_en.qm" under the application directory; empty for other codes.
    static QString TranslationFile(int language);

signals:
    void languageChangeSig();

private:
    LanguageManage();
    ~LanguageManage() override;

    int m_currentLanguage = NoLanguage;
    std::unique_ptr<QTranslator> m_translator;
};
