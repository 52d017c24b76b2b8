#include "IncidentSpeaker.h"

#include "MonitorLog.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <espeak-ng/speak_lib.h>

#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace {

// espeak-ng keeps one synthesiser per process: every speaker takes turns.
std::mutex& EngineMutex()
{
    static std::mutex mutex;
    return mutex;
}

// The espeak-ng functions speech needs, from the library opened at the first
// speech rather than at start, where it would only slow the window down.
struct Espeak
{
    decltype(&espeak_Initialize) initialize = nullptr;
    decltype(&espeak_SetSynthCallback) setSynthCallback = nullptr;
    decltype(&espeak_SetVoiceByName) setVoiceByName = nullptr;
    decltype(&espeak_GetCurrentVoice) getCurrentVoice = nullptr;
    decltype(&espeak_Synth) synth = nullptr;
    decltype(&espeak_Synchronize) synchronize = nullptr;
    int sampleRate = 0;
};

template <typename Function>
bool Bind(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (!function)
        CorvaneLog()->error("{}, espeak-ng has no {}, incidents are not spoken", "IncidentSpeaker", name);
    return function != nullptr;
}

std::optional<Espeak> OpenEngine()
{
    constexpr const char* method = "IncidentSpeaker";
    void* library = dlopen("libespeak-ng.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        CorvaneLog()->error("{}, espeak-ng cannot be loaded, incidents are not spoken: {}", method, dlerror());
        return std::nullopt;
    }
    Espeak engine;
    if (!Bind(library, "espeak_Initialize", engine.initialize) ||
        !Bind(library, "espeak_SetSynthCallback", engine.setSynthCallback) ||
        !Bind(library, "espeak_SetVoiceByName", engine.setVoiceByName) ||
        !Bind(library, "espeak_GetCurrentVoice", engine.getCurrentVoice) ||
        !Bind(library, "espeak_Synth", engine.synth) || !Bind(library, "espeak_Synchronize", engine.synchronize))
        return std::nullopt;
    engine.sampleRate = engine.initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
    if (engine.sampleRate <= 0) {
        CorvaneLog()->error("{}, espeak-ng finds no voice data, incidents are not spoken", method);
        return std::nullopt;
    }
    CorvaneLog()->info("{}, espeak-ng loaded, {} samples a second", method, engine.sampleRate);
    return engine;
}

// Opened once, at the first use, and kept for the process's life; null when
// espeak-ng cannot speak. Called with EngineMutex held.
const Espeak* Engine()
{
    static const std::optional<Espeak> engine = OpenEngine();
    return engine ? &*engine : nullptr;
}

struct Synthesis
{
    std::vector<short> samples;
    const std::atomic<bool>* stopping = nullptr;
};

int CollectSamples(short* wave, int count, espeak_EVENT* events)
{
    auto* synthesis = static_cast<Synthesis*>(events ? events->user_data : nullptr);
    if (!synthesis)
        return 0;
    if (wave && count > 0)
        synthesis->samples.insert(synthesis->samples.end(), wave, wave + count);
    return synthesis->stopping->load() ? 1 : 0; // 1 asks espeak-ng to stop
}

// ALSA reports a machine without a sound card on stderr at every open; that
// is an expected state here, not news.
void QuietAlsa(const char*, int, const char*, int, const char*, ...)
{
}

// A chunk of sound small enough for the close not to wait on it.
constexpr int kChunksPerSecond = 20;

} // namespace

IncidentSpeaker::IncidentSpeaker(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<IncidentSpeaker::Utterance>();
    worker = std::thread([this] { Run(); });
}

IncidentSpeaker::~IncidentSpeaker()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    worker.join();
}

bool IncidentSpeaker::Available()
{
    std::lock_guard<std::mutex> lock(EngineMutex());
    return Engine() != nullptr;
}

QByteArray IncidentSpeaker::VoiceFor(const QString& text)
{
    static const QRegularExpression han(QStringLiteral("[\\x{3400}-\\x{9fff}]"));
    return text.contains(han) ? QByteArrayLiteral("cmn") : QByteArrayLiteral("en");
}

void IncidentSpeaker::Say(const QString& text)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        pending = text;
    }
    wake.notify_one();
}

void IncidentSpeaker::Run()
{
    for (;;) {
        QString text;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this] { return stopping.load() || pending.has_value(); });
            if (stopping)
                return;
            text = *pending;
            pending.reset();
        }
        const Utterance utterance = Speak(text);
        QMetaObject::invokeMethod(
            this, [this, utterance] { emit Spoken(utterance); }, Qt::QueuedConnection);
    }
}

IncidentSpeaker::Utterance IncidentSpeaker::Speak(const QString& text)
{
    Utterance utterance;
    utterance.text = text;
    Synthesis synthesis;
    synthesis.stopping = &stopping;
    {
        std::lock_guard<std::mutex> lock(EngineMutex());
        const Espeak* engine = Engine();
        if (!engine)
            return utterance;
        utterance.sampleRate = engine->sampleRate;
        engine->setSynthCallback(CollectSamples);
        engine->setVoiceByName(VoiceFor(text).constData());
        if (const espeak_VOICE* voice = engine->getCurrentVoice()) {
            // The list of languages starts with a priority byte.
            utterance.voiceLanguage =
                voice->languages && voice->languages[0] ? QString::fromUtf8(voice->languages + 1) : QString();
            utterance.voiceName = QString::fromUtf8(voice->name ? voice->name : "");
        }
        const QByteArray utf8 = text.toUtf8();
        engine->synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                      &synthesis);
        engine->synchronize();
    }
    utterance.samples = qint64(synthesis.samples.size());
    if (!stopping)
        utterance.played = Play(synthesis.samples, utterance.sampleRate);
    return utterance;
}

bool IncidentSpeaker::Play(const std::vector<short>& samples, int sampleRate)
{
    // No sound device (a server, a test machine) is no fault: the incident is
    // shown and stored all the same.
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(QuietAlsa); });
    snd_pcm_t* pcm = nullptr;
    if (samples.empty() || snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    bool played =
        snd_pcm_nonblock(pcm, 0) == 0 && snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                                                            unsigned(sampleRate), 1, 200000) == 0;
    const size_t chunk = size_t(sampleRate / kChunksPerSecond);
    for (size_t at = 0; played && at < samples.size() && !stopping;) {
        const size_t count = std::min(chunk, samples.size() - at);
        snd_pcm_sframes_t written = snd_pcm_writei(pcm, samples.data() + at, count);
        if (written < 0)
            written = snd_pcm_recover(pcm, int(written), 1) == 0 ? 0 : -1;
        if (written < 0)
            played = false;
        else
            at += size_t(written);
    }
    if (stopping)
        snd_pcm_drop(pcm);
    else if (played)
        snd_pcm_drain(pcm);
    snd_pcm_close(pcm);
    return played;
}
