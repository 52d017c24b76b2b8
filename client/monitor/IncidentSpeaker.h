#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// Speaks incident names with espeak-ng's own voices: Mandarin for Chinese
// text, English for the rest. espeak-ng's library is opened at the first
// speech, not at start; without it nothing is spoken (logged once). The words
// are synthesised and played on a thread of its own, through the sound device when there is one; no speech
// service is started or waited for, so closing stops within a sound chunk.
// Say() is called on the owner's thread and never blocks; a text said while
// another one is spoken replaces any text still waiting.
class IncidentSpeaker : public QObject
{
    Q_OBJECT

public:
    // What one Say() came to: the voice espeak-ng used and the length of the speech.
    struct Utterance
    {
        QString text;
        QString voiceLanguage; // espeak-ng's language of the voice, e.g. "cmn"
        QString voiceName;
        int sampleRate = 0;
        qint64 samples = 0;
        bool played = false; // a sound device took it
        double Seconds() const { return sampleRate > 0 ? double(samples) / sampleRate : 0.0; }
    };

    explicit IncidentSpeaker(QObject* parent = nullptr);
    ~IncidentSpeaker() override;

    // False when espeak-ng cannot be loaded or finds no voice data; Say() then
    // does nothing. Loads espeak-ng on the calling thread if not yet loaded.
    static bool Available();
    // The espeak-ng voice a text is spoken with.
    static QByteArray VoiceFor(const QString& text);

    void Say(const QString& text);

signals:
    // After the speech of one text ended (or was cut by the close), on the owner's thread.
    void Spoken(const IncidentSpeaker::Utterance& utterance);

private:
    void Run();
    Utterance Speak(const QString& text);
    bool Play(const std::vector<short>& samples, int sampleRate);

    std::mutex mutex;
    std::condition_variable wake;
    std::optional<QString> pending;
    std::atomic<bool> stopping{false};
    std::thread worker;
};

Q_DECLARE_METATYPE(IncidentSpeaker::Utterance)
