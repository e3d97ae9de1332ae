#include <AL/al.h>
#include <AL/alc.h>

#include "runtime/host/desktop/host_parts.h"

namespace zl::desktop {

namespace {


ALCdevice* as_device(void* device) { return static_cast<ALCdevice*>(device); }
ALCcontext* as_context(void* context) { return static_cast<ALCcontext*>(context); }

// Spins on the flag; the holder only queues or unqueues a buffer or two.
class QueueGuard {
public:
    explicit QueueGuard(std::atomic_flag& flag) : flag_(flag) {
        while (flag_.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~QueueGuard() { flag_.clear(std::memory_order_release); }
    QueueGuard(const QueueGuard&) = delete;
    QueueGuard& operator=(const QueueGuard&) = delete;

private:
    std::atomic_flag& flag_;
};

}  // namespace

OpenAlSound::OpenResult OpenAlSound::open() {
    ALCdevice* device = alcOpenDevice(nullptr);
    if (device == nullptr) return OpenResult::no_device;
    ALCcontext* context = alcCreateContext(device, nullptr);
    if (context == nullptr || alcMakeContextCurrent(context) == ALC_FALSE) {
        if (context != nullptr) alcDestroyContext(context);
        alcCloseDevice(device);
        return OpenResult::no_context;
    }
    alListener3f(AL_POSITION, 0.0f, 0.0f, 0.0f);
    alDistanceModel(AL_LINEAR_DISTANCE_CLAMPED);
    ALuint source = 0;
    alGenSources(1, &source);
    device_ = device;
    context_ = context;
    source_ = source;
    open_.store(true, std::memory_order_release);
    return OpenResult::ok;
}

void OpenAlSound::close() {
    if (!open_.exchange(false, std::memory_order_acq_rel)) return;
    QueueGuard guard(busy_);
    const ALuint source = source_;
    alSourceStop(source);
    unqueue_processed();
    alDeleteSources(1, &source);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(as_context(context_));
    alcCloseDevice(as_device(device_));
}

void OpenAlSound::unqueue_processed() {
    ALint processed = 0;
    alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(source_, 1, &buffer);
        if (alGetError() == AL_NO_ERROR) alDeleteBuffers(1, &buffer);
    }
}

void OpenAlSound::service_queue() {
    if (!open_.load(std::memory_order_acquire)) return;
    // The main loop skips a cycle rather than wait for the beep's queueing.
    if (busy_.test_and_set(std::memory_order_acquire)) return;
    unqueue_processed();
    busy_.clear(std::memory_order_release);
}

void OpenAlSound::queue_samples(std::vector<int16_t> stereo) {
    if (!open_.load(std::memory_order_acquire) || stereo.empty()) return;
    QueueGuard guard(busy_);
    // A stopped source replays every buffer still queued, so the played ones go first.
    unqueue_processed();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    const auto bytes = static_cast<ALsizei>(stereo.size() * sizeof(int16_t));
    alBufferData(buffer, AL_FORMAT_STEREO16, stereo.data(), bytes, kSampleRate);
    alSourceQueueBuffers(source_, 1, &buffer);
    ALint state = 0;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) alSourcePlay(source_);
}

}  // namespace zl::desktop
