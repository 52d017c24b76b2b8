// Incident names spoken with espeak-ng's voices: Mandarin for Chinese names,
// of a length that fits the words, and a close that never waits on speech.

#include "monitor/IncidentSpeaker.h"

#include "../../platform/tessoran/TestSupport.h"
#include "../../support/WaitUntil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Seconds of speech a Chinese text of `syllables` characters plausibly takes.
constexpr double kMinSecondsPerSyllable = 0.12;
constexpr double kMaxSecondsPerSyllable = 0.55;

IncidentSpeaker::Utterance SpeakAndWait(IncidentSpeaker& speaker, const QString& text)
{
    QSignalSpy spoken(&speaker, &IncidentSpeaker::Spoken);
    speaker.Say(text);
    EXPECT_TRUE(spoken.wait(60000)) << text.toStdString();
    return spoken.isEmpty() ? IncidentSpeaker::Utterance{}
                            : spoken.takeFirst().at(0).value<IncidentSpeaker::Utterance>();
}

struct VoiceCase
{
    const char* name;
    const char* text;
    const char* voice;
};

class VoiceChoice : public testing::TestWithParam<VoiceCase>
{ };

TEST_P(VoiceChoice, FollowsTheScriptOfTheText)
{
    EXPECT_EQ(IncidentSpeaker::VoiceFor(QString::fromUtf8(GetParam().text)), QByteArray(GetParam().voice));
}

INSTANTIATE_TEST_SUITE_P(Texts, VoiceChoice,
                         testing::Values(VoiceCase{"chinese", "拥堵事件报警", "cmn"},
                                         VoiceCase{"mixed", "机占非 incident", "cmn"},
                                         VoiceCase{"english", "Congestion incident alarm", "en"},
                                         VoiceCase{"empty", "", "en"}),
                         [](const testing::TestParamInfo<VoiceCase>& info) { return info.param.name; });

TEST(IncidentSpeakerTest, ChineseIncidentNamesAreSpokenInMandarinAtAPlausibleLength)
{
    ASSERT_TRUE(IncidentSpeaker::Available()) << "espeak-ng finds no voice data";
    IncidentSpeaker speaker;
    for (const char* name : {"拥堵事件报警", "交通事故事件报警", "机占非事件报警"}) {
        const QString text = QString::fromUtf8(name);
        const IncidentSpeaker::Utterance utterance = SpeakAndWait(speaker, text);
        SCOPED_TRACE(name);
        EXPECT_EQ(utterance.text, text);
        EXPECT_EQ(utterance.voiceLanguage, QStringLiteral("cmn")) << utterance.voiceName.toStdString();
        EXPECT_TRUE(utterance.voiceName.contains(QStringLiteral("Mandarin"))) << utterance.voiceName.toStdString();
        // An English voice spells each character out and takes about twice as long.
        const double syllables = text.size();
        EXPECT_GE(utterance.Seconds(), kMinSecondsPerSyllable * syllables);
        EXPECT_LE(utterance.Seconds(), kMaxSecondsPerSyllable * syllables);
    }
}

TEST(IncidentSpeakerTest, EnglishNamesKeepAnEnglishVoice)
{
    ASSERT_TRUE(IncidentSpeaker::Available());
    IncidentSpeaker speaker;
    const IncidentSpeaker::Utterance utterance = SpeakAndWait(speaker, QStringLiteral("Congestion incident alarm"));
    EXPECT_TRUE(utterance.voiceLanguage.startsWith(QStringLiteral("en"))) << utterance.voiceLanguage.toStdString();
    EXPECT_GT(utterance.Seconds(), 0.5);
    EXPECT_LT(utterance.Seconds(), 6.0);
}

TEST(IncidentSpeakerTest, ClosingWhileSpeakingEndsPromptly)
{
    ASSERT_TRUE(IncidentSpeaker::Available());
    auto speaker = std::make_unique<IncidentSpeaker>();
    // Minutes of speech, cut by the close.
    QString longText;
    for (int i = 0; i < 200; ++i)
        longText += QStringLiteral("交通事故事件报警，");
    speaker->Say(longText);
    QElapsedTimer clock;
    clock.start();
    speaker.reset();
    // Far below the speech's own length; bounded generously for a loaded machine.
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(IncidentSpeakerTest, ANewNameReplacesOnesStillWaiting)
{
    ASSERT_TRUE(IncidentSpeaker::Available());
    IncidentSpeaker speaker;
    QSignalSpy spoken(&speaker, &IncidentSpeaker::Spoken);
    // A burst of alarms: the first is being spoken, the rest wait, and only
    // the newest of them is spoken after it.
    for (int i = 0; i < 50; ++i)
        speaker.Say(QStringLiteral("拥堵事件报警%1").arg(i));
    speaker.Say(QStringLiteral("火灾事件报警"));
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            QCoreApplication::processEvents();
            return !spoken.isEmpty() &&
                   spoken.last().at(0).value<IncidentSpeaker::Utterance>().text == QStringLiteral("火灾事件报警");
        },
        std::chrono::seconds(60)));
    EXPECT_LE(spoken.size(), 3);
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
