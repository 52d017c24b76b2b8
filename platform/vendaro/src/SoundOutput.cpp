#include "SoundOutput.h"

#include <alsa/asoundlib.h>

#include <cstdlib>

extern "C" {
#include <libswresample/swresample.h>
}

namespace vendaro {

namespace {
constexpr unsigned int kDeviceLatencyUs = 200000;
// Beyond this much queued sound the player is ahead of the card: drop.
constexpr int kMaxQueuedSeconds = 2;
} // namespace

std::unique_ptr<SoundOutput> SoundOutput::open(int sampleRate, int channels)
{
    if (sampleRate <= 0 || channels <= 0)
        return nullptr;
    const char* name = std::getenv("MAVRO_SOUND_DEVICE");
    snd_pcm_t* device = nullptr;
    if (snd_pcm_open(&device, name && *name ? name : "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return nullptr;
    if (snd_pcm_set_params(device, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, unsigned(channels),
                           unsigned(sampleRate), 1, kDeviceLatencyUs) < 0) {
        snd_pcm_close(device);
        return nullptr;
    }
    std::unique_ptr<SoundOutput> output(new SoundOutput(device, sampleRate, channels));
    try {
        output->m_writer = std::thread([raw = output.get()] { raw->run(); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return output;
}

SoundOutput::SoundOutput(snd_pcm_t* device, int sampleRate, int channels)
    : m_device(device), m_sampleRate(sampleRate), m_channels(channels)
{
}

SoundOutput::~SoundOutput()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_ready.notify_all();
    if (m_writer.joinable())
        m_writer.join();
    snd_pcm_close(m_device);
    swr_free(&m_converter);
}

void SoundOutput::play(const AVFrame* frame)
{
    if (!m_converter) {
        AVChannelLayout outputLayout;
        av_channel_layout_default(&outputLayout, m_channels);
        AVChannelLayout inputLayout; // this FFmpeg takes the layouts as non-const
        if (av_channel_layout_copy(&inputLayout, &frame->ch_layout) < 0)
            return;
        const int result =
            swr_alloc_set_opts2(&m_converter, &outputLayout, AV_SAMPLE_FMT_S16, m_sampleRate, &inputLayout,
                                AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inputLayout);
        av_channel_layout_uninit(&outputLayout);
        if (result < 0)
            return;
    }
    if (!swr_is_initialized(m_converter) && swr_init(m_converter) < 0)
        return;
    const int capacity = swr_get_out_samples(m_converter, frame->nb_samples);
    if (capacity <= 0)
        return;
    std::vector<int16_t> samples(size_t(capacity) * size_t(m_channels));
    uint8_t* output = reinterpret_cast<uint8_t*>(samples.data());
    const int converted = swr_convert(m_converter, &output, capacity, const_cast<const uint8_t**>(frame->extended_data),
                                      frame->nb_samples);
    if (converted <= 0)
        return;
    samples.resize(size_t(converted) * size_t(m_channels));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_queuedFrames > size_t(kMaxQueuedSeconds) * size_t(m_sampleRate))
            return;
        m_queuedFrames += size_t(converted);
        m_queue.push_back(std::move(samples));
    }
    m_ready.notify_one();
}

void SoundOutput::discard()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.clear();
        m_queuedFrames = 0;
        m_discard = true;
    }
    m_ready.notify_one();
}

void SoundOutput::run()
{
    for (;;) {
        std::vector<int16_t> samples;
        bool discard = false;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_ready.wait(lock, [this] { return m_stop || m_discard || !m_queue.empty(); });
            if (m_stop)
                break;
            std::swap(discard, m_discard);
            if (!m_queue.empty()) {
                samples = std::move(m_queue.front());
                m_queue.pop_front();
                m_queuedFrames -= samples.size() / size_t(m_channels);
            }
        }
        if (discard) {
            snd_pcm_drop(m_device);
            snd_pcm_prepare(m_device);
        }
        size_t offset = 0;
        while (offset < samples.size()) {
            const snd_pcm_uframes_t frames = (samples.size() - offset) / size_t(m_channels);
            snd_pcm_sframes_t written = snd_pcm_writei(m_device, samples.data() + offset, frames);
            if (written < 0)
                written = snd_pcm_recover(m_device, int(written), 1) < 0 ? -1 : 0;
            if (written < 0)
                break; // the device is gone; drop this chunk
            offset += size_t(written) * size_t(m_channels);
            m_played += uint64_t(written);
        }
    }
}

} // namespace vendaro
