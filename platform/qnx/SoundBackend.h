// Inside the sound library: what an output back-end provides. Not part of the layer's contract.
#pragma once

#include "qnx/asoundlib.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qnx::sound {

// One open playback channel.
class PcmStream {
public:
    virtual ~PcmStream() = default;
    virtual int Info(snd_pcm_channel_info_t &info) = 0;
    virtual int Params(const snd_pcm_channel_params_t &params) = 0;
    virtual int Prepare() = 0;
    virtual int Setup(snd_pcm_channel_setup_t &setup) = 0;
    virtual int Status(snd_pcm_channel_status_t &status) = 0;
    virtual ssize_t Write(const void *data, size_t size) = 0;
    // Silence completing the last fragment; played like any other bytes unless overridden.
    virtual ssize_t WritePadding(const void *data, size_t size) { return Write(data, size); }
    virtual int Drain() = 0;  // stop and discard
    virtual int Flush() = 0;  // play out and wait
    virtual int FileDescriptor() = 0;
};

// One open mixer.
class Mixer {
public:
    virtual ~Mixer() = default;
    virtual int Info(snd_mixer_info_t &info) = 0;
    virtual int Groups(snd_mixer_groups_t &groups) = 0;
    virtual int GroupRead(snd_mixer_group_t &group) = 0;
    virtual int GroupWrite(const snd_mixer_group_t &group) = 0;
    virtual int Read(snd_mixer_callbacks_t *callbacks) = 0;
    virtual int FileDescriptor() = 0;
};

// An output: its cards, channels and mixers.
class Sink {
public:
    virtual ~Sink() = default;
    virtual int Cards() = 0;
    virtual int OpenPcm(int card, int device, std::unique_ptr<PcmStream> &out) = 0;
    virtual int CardInfo(int card, snd_ctl_hw_info_t &info) = 0;
    virtual int OpenMixer(int card, int device, std::unique_ptr<Mixer> &out) = 0;
};

// The output in force: the installed one, else the one ZEPHRA_AUDIO_SINK names.
std::shared_ptr<Sink> CurrentSink();
// Installs an output for the whole process (null: back to the environment's choice).
void InstallSink(std::shared_ptr<Sink> sink);

// The null output: at a card's pace when `paced`, else it takes everything at once.
std::shared_ptr<Sink> MakeNullSink(bool paced = true);
// A machine without a sound device: every open fails with "No such device".
std::shared_ptr<Sink> MakeNoDeviceSink();
std::shared_ptr<Sink> MakeWavSink(const std::string &path);
std::shared_ptr<Sink> MakeAlsaSink(const std::string &device);
// Scales 8- and 16-bit samples by a group's front levels (silence when muted): the volume of an
// ALSA device without a volume element of its own, or of a sound server's, whose volume is every
// program's. A level is a fraction of full loudness (LoudnessGain).
void ScaleSamples(unsigned char *bytes, size_t size, const snd_pcm_format_t &format, const snd_mixer_group_t &group);

// The players' volume is heard loudness: a level that is a fraction of full sounds that much as
// loud, loudness halving with every 10 dB less (so 20 of 100 is 23.2 dB below full, not the
// 14 dB of a fifth of the amplitude).
double LoudnessToDb(double fraction);  // 0 for full, minus infinity for 0
double DbToLoudness(double db);        // the inverse, 0..1 for 0 dB and less
double LoudnessGain(double fraction);  // the factor on the samples' amplitude
bool AlsaCardExists();

// The mixer group every non-ALSA output offers.
constexpr const char *kSoftGroupName = "PCM";
void SoftGroupId(snd_mixer_gid_t &gid);
int FormatBytesPerSample(int format);  // 1 or 2; 0 for an unknown format

// A mixer kept in memory: one group, shared by every handle opened on it; a write by any
// handle queues a change event on every handle.
class SoftMixerState {
public:
    SoftMixerState();
    std::unique_ptr<Mixer> Open();
    void SetRange(int min, int max);
    void SetChannels(uint32_t mask);
    void SetLevels(int left, int right);  // as another program would; raises events
    void Levels(int &left, int &right) const;
    snd_mixer_group_t Group() const;
    void Write(const snd_mixer_group_t &group);  // raises events
    void Attach(int eventFd);
    void Detach(int eventFd);
    // The next `times` group writes fail with error (negative) and change nothing.
    void FailWrites(int error, int times);
    int TakeWriteFailure();  // 0, or the error the next write gives
    int OpenMixers() const;

private:
    void NotifyLocked();
    mutable std::mutex mutex_;
    snd_mixer_group_t group_{};
    std::vector<int> listeners_;
    int writeError_ = 0, failingWrites_ = 0;
};

// What every output's channel reports, in the same terms: its info (the channel number kept, the
// formats, rates and sizes every output takes, the soft mixer group), its setup from the
// parameters in force, and a status cleared but for its channel number and mode.
void FillChannelInfo(snd_pcm_channel_info_t &info, const char *subname);
void FillSetup(snd_pcm_channel_setup_t &setup, const snd_pcm_channel_params_t &params);
void ClearStatus(snd_pcm_channel_status_t &status, int32_t mode);
// Parameters an output that plays at its own pace takes: a known format, a rate, voices and fragments.
bool ParamsAcceptable(const snd_pcm_channel_params_t &params);

// An output with one card and one PCM device, whose mixer is kept in memory (null, WAV file,
// simulated card). Card and device must be 0.
class SoftCard : public Sink {
public:
    int Cards() override;
    int OpenPcm(int card, int device, std::unique_ptr<PcmStream> &out) override;
    int CardInfo(int card, snd_ctl_hw_info_t &info) override;
    int OpenMixer(int card, int device, std::unique_ptr<Mixer> &out) override;
    SoftMixerState &MixerState() { return mixer_; }

protected:
    SoftCard(const char *id, const char *name) : id_(id), name_(name) {}
    // A new channel of the card's device.
    virtual std::unique_ptr<PcmStream> NewPcm() = 0;

private:
    const char *id_;
    const char *name_;
    SoftMixerState mixer_;
};

// Book-keeping shared by the outputs: parameters, setup and channel state. Outputs that play at
// once (null, WAV) build on it and only consume what is written.
class BasicPcm : public PcmStream {
public:
    int Info(snd_pcm_channel_info_t &info) override;
    int Params(const snd_pcm_channel_params_t &params) override;
    int Prepare() override;
    int Setup(snd_pcm_channel_setup_t &setup) override;
    int Status(snd_pcm_channel_status_t &status) override;
    ssize_t Write(const void *data, size_t size) override;
    int Drain() override;
    int Flush() override;
    int FileDescriptor() override;
    ~BasicPcm() override;

protected:
    BasicPcm();
    // Consumes bytes that are played at once.
    virtual void Consume(const unsigned char *data, size_t size, const snd_pcm_format_t &format) = 0;
    std::mutex mutex_;
    bool haveParams_ = false;
    snd_pcm_channel_params_t params_{};
    int status_ = SND_PCM_STATUS_NOTREADY;
    int fd_ = -1;
};

}  // namespace qnx::sound
