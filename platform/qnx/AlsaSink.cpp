// The output that plays on the real sound card through ALSA. ALSA's names live in the global
// namespace and are written with a leading "::"; the platform's own are those of namespace qnx.
#include "SoundBackend.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace qnx::sound {

namespace {

::snd_pcm_format_t AlsaFormat(int format)
{
    switch (format) {
    case SND_PCM_SFMT_U8: return SND_PCM_FORMAT_U8;
    case SND_PCM_SFMT_S8: return SND_PCM_FORMAT_S8;
    case SND_PCM_SFMT_U16_LE: return SND_PCM_FORMAT_U16_LE;
    case SND_PCM_SFMT_U16_BE: return SND_PCM_FORMAT_U16_BE;
    case SND_PCM_SFMT_S16_LE: return SND_PCM_FORMAT_S16_LE;
    case SND_PCM_SFMT_S16_BE: return SND_PCM_FORMAT_S16_BE;
    default: return SND_PCM_FORMAT_UNKNOWN;
    }
}

// Whether ALSA has a control of this name that opens (a sound server's device has one of its own
// without being a card).
bool ControlOpens(const std::string &name)
{
    ::snd_ctl_t *ctl = nullptr;
    if (::snd_ctl_open(&ctl, name.c_str(), 0) < 0)
        return false;
    ::snd_ctl_close(ctl);
    return true;
}

// The ALSA control name of the card a PCM device name plays on: a card's own control, the
// device's own control when it has one (a sound server's device), else the default one.
std::string MixerName(const std::string &device)
{
    for (const char *prefix : {"hw:", "plughw:"}) {
        if (device.rfind(prefix, 0) == 0) {
            std::string card = device.substr(std::strlen(prefix));
            return "hw:" + card.substr(0, card.find(','));
        }
    }
    return device != "default" && ControlOpens(device) ? device : "default";
}

// Whether a control belongs to a sound server rather than to a card: its volume is the server's,
// every program's, and outlives the player.
bool ServerControl(const std::string &control)
{
    ::snd_ctl_t *ctl = nullptr;
    if (::snd_ctl_open(&ctl, control.c_str(), 0) < 0)
        return false;
    const bool server = ::snd_ctl_type(ctl) != SND_CTL_TYPE_HW;
    ::snd_ctl_close(ctl);
    return server;
}

// The name of the card behind a control, or "" when the control does not open.
std::string ControlCardName(const std::string &control)
{
    ::snd_ctl_t *ctl = nullptr;
    if (::snd_ctl_open(&ctl, control.c_str(), 0) < 0)
        return "";
    ::snd_ctl_card_info_t *info;
    snd_ctl_card_info_alloca(&info);
    std::string name;
    if (::snd_ctl_card_info(ctl, info) == 0)
        name = ::snd_ctl_card_info_get_name(info);
    ::snd_ctl_close(ctl);
    return name;
}

// The playback volume element a control offers for the players' volume: "PCM", else "Master",
// else the first one; false when it has none (or the control does not open).
bool ChooseVolumeElement(const std::string &control, snd_mixer_gid_t &gid)
{
    ::snd_mixer_t *mixer = nullptr;
    if (::snd_mixer_open(&mixer, 0) < 0)
        return false;
    bool found = false;
    if (::snd_mixer_attach(mixer, control.c_str()) == 0 && ::snd_mixer_selem_register(mixer, nullptr, nullptr) == 0 &&
        ::snd_mixer_load(mixer) == 0) {
        int best = 3;
        for (::snd_mixer_elem_t *e = ::snd_mixer_first_elem(mixer); e; e = ::snd_mixer_elem_next(e)) {
            if (!::snd_mixer_selem_is_active(e) || !::snd_mixer_selem_has_playback_volume(e))
                continue;
            const std::string name = ::snd_mixer_selem_get_name(e);
            const int rank = name == kSoftGroupName ? 0 : name == "Master" ? 1 : 2;
            if (rank >= best && found)
                continue;
            best = rank;
            found = true;
            gid = {};
            std::strncpy(gid.name, name.c_str(), sizeof gid.name - 1);
            gid.index = static_cast<int32_t>(::snd_mixer_selem_get_index(e));
        }
    }
    ::snd_mixer_close(mixer);
    return found;
}

// The volume element the players' volume acts on: a card's own; none for a device of a sound
// server, whose players scale their own stream instead.
bool DeviceVolumeElement(const std::string &device, snd_mixer_gid_t &gid)
{
    const std::string control = MixerName(device);
    return !ServerControl(control) && ChooseVolumeElement(control, gid);
}

// An element with a dB scale is shown to the players as levels 0..kLoudnessLevels of heard
// loudness; one without keeps its raw range.
constexpr long kLoudnessLevels = 100;

bool DbRange(::snd_mixer_elem_t *elem, long &minDb, long &maxDb)
{
    return ::snd_mixer_selem_get_playback_dB_range(elem, &minDb, &maxDb) == 0 && maxDb > minDb;
}

// A channel's level in loudness: 0 at the element's lowest step, else its dB below the top.
int32_t LoudnessLevel(::snd_mixer_elem_t *elem, ::snd_mixer_selem_channel_id_t channel, long maxDb)
{
    long minRaw = 0, maxRaw = 0, raw = 0, db = 0;
    ::snd_mixer_selem_get_playback_volume_range(elem, &minRaw, &maxRaw);
    if (::snd_mixer_selem_get_playback_volume(elem, channel, &raw) < 0 || raw <= minRaw ||
        ::snd_mixer_selem_get_playback_dB(elem, channel, &db) < 0)
        return 0;
    const double level = std::round(kLoudnessLevels * DbToLoudness((db - maxDb) / 100.0));
    return static_cast<int32_t>(std::clamp(level, 0.0, static_cast<double>(kLoudnessLevels)));
}

// The element's step nearest in dB to a loudness level; the lowest step for 0.
long RawForLoudness(::snd_mixer_elem_t *elem, long level, long minDb, long maxDb)
{
    long minRaw = 0, maxRaw = 0;
    ::snd_mixer_selem_get_playback_volume_range(elem, &minRaw, &maxRaw);
    if (level <= 0)
        return minRaw;
    const double fraction = std::min(1.0, static_cast<double>(level) / kLoudnessLevels);
    const long target = std::max(minDb, std::lround(maxDb + 100 * LoudnessToDb(fraction)));
    long below = minRaw, above = maxRaw, belowDb = minDb, aboveDb = maxDb;
    if (::snd_mixer_selem_ask_playback_dB_vol(elem, target, -1, &below) < 0 ||
        ::snd_mixer_selem_ask_playback_vol_dB(elem, below, &belowDb) < 0)
        return std::lround(minRaw + fraction * (maxRaw - minRaw));
    if (::snd_mixer_selem_ask_playback_dB_vol(elem, target, 1, &above) < 0 ||
        ::snd_mixer_selem_ask_playback_vol_dB(elem, above, &aboveDb) < 0)
        return below;
    return target - belowDb <= aboveDb - target ? below : above;
}

class AlsaPcm : public PcmStream {
public:
    // `gid` names the volume element of the device's control; without one, `soft` holds the
    // players' volume and the samples are scaled by it.
    AlsaPcm(::snd_pcm_t *pcm, const snd_mixer_gid_t &gid, std::shared_ptr<SoftMixerState> soft, bool server)
        : pcm_(pcm), server_(server), gid_(gid), soft_(std::move(soft))
    {
    }
    ~AlsaPcm() override { ::snd_pcm_close(pcm_); }

    int Info(snd_pcm_channel_info_t &info) override
    {
        FillChannelInfo(info, ::snd_pcm_name(pcm_));
        info.mixer_gid = gid_;
        return 0;
    }

    int Params(const snd_pcm_channel_params_t &params) override
    {
        frameBytes_ = FormatBytesPerSample(params.format.format) * params.format.voices;
        if (frameBytes_ <= 0 || params.buf.block.frag_size < frameBytes_ || params.buf.block.frags_max <= 0)
            return -EINVAL;
        ::snd_pcm_hw_params_t *hw;
        snd_pcm_hw_params_alloca(&hw);
        unsigned rate = static_cast<unsigned>(params.format.rate);
        ::snd_pcm_uframes_t period = static_cast<::snd_pcm_uframes_t>(params.buf.block.frag_size / frameBytes_);
        unsigned periods = static_cast<unsigned>(params.buf.block.frags_max);
        int err;
        if ((err = ::snd_pcm_hw_params_any(pcm_, hw)) < 0 ||
            (err = ::snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
            (err = ::snd_pcm_hw_params_set_format(pcm_, hw, AlsaFormat(params.format.format))) < 0 ||
            (err = ::snd_pcm_hw_params_set_channels(pcm_, hw, static_cast<unsigned>(params.format.voices))) < 0 ||
            (err = ::snd_pcm_hw_params_set_rate_near(pcm_, hw, &rate, nullptr)) < 0 ||
            (err = ::snd_pcm_hw_params_set_period_size_near(pcm_, hw, &period, nullptr)) < 0 ||
            (err = ::snd_pcm_hw_params_set_periods_near(pcm_, hw, &periods, nullptr)) < 0 ||
            (err = ::snd_pcm_hw_params(pcm_, hw)) < 0)
            return err;
        ::snd_pcm_uframes_t buffer = 0;
        ::snd_pcm_hw_params_get_period_size(hw, &period, nullptr);
        ::snd_pcm_hw_params_get_periods(hw, &periods, nullptr);
        ::snd_pcm_hw_params_get_buffer_size(hw, &buffer);
        ::snd_pcm_sw_params_t *sw;
        snd_pcm_sw_params_alloca(&sw);
        ::snd_pcm_uframes_t start = params.start_mode == SND_PCM_START_DATA ? 1 : buffer;
        if ((err = ::snd_pcm_sw_params_current(pcm_, sw)) < 0 ||
            (err = ::snd_pcm_sw_params_set_start_threshold(pcm_, sw, start)) < 0 ||
            (err = ::snd_pcm_sw_params(pcm_, sw)) < 0)
            return err;
        bufferFrames_ = buffer;
        params_ = params;
        params_.format.rate = static_cast<int32_t>(rate);
        params_.buf.block.frag_size = static_cast<int32_t>(period) * frameBytes_;
        params_.buf.block.frags_max = static_cast<int32_t>(periods);
        return 0;
    }

    int Prepare() override
    {
        const int err = ::snd_pcm_prepare(pcm_);
        return err < 0 && Gone(err) ? -ENODEV : err;
    }

    int Setup(snd_pcm_channel_setup_t &setup) override
    {
        if (frameBytes_ == 0)
            return -EBADFD;
        FillSetup(setup, params_);
        setup.mixer_gid = gid_;
        return 0;
    }

    int Status(snd_pcm_channel_status_t &status) override
    {
        ClearStatus(status, params_.mode);
        switch (::snd_pcm_state(pcm_)) {
        case SND_PCM_STATE_OPEN: status.status = SND_PCM_STATUS_NOTREADY; break;
        case SND_PCM_STATE_SETUP: status.status = SND_PCM_STATUS_READY; break;
        case SND_PCM_STATE_PREPARED: status.status = SND_PCM_STATUS_PREPARED; break;
        case SND_PCM_STATE_RUNNING:
        case SND_PCM_STATE_DRAINING: status.status = SND_PCM_STATUS_RUNNING; break;
        case SND_PCM_STATE_XRUN: status.status = SND_PCM_STATUS_UNDERRUN; break;
        default: status.status = SND_PCM_STATUS_ERROR; break;
        }
        ::snd_pcm_sframes_t delay = 0;
        if (status.status == SND_PCM_STATUS_RUNNING && ::snd_pcm_delay(pcm_, &delay) == 0 && delay > 0)
            status.count = static_cast<int32_t>(delay) * frameBytes_;
        status.free = params_.buf.block.frag_size * params_.buf.block.frags_max - status.count;
        status.underrun = underruns_;
        return 0;
    }

    ssize_t Write(const void *data, size_t size) override
    {
        if (frameBytes_ == 0)
            return -EBADFD;
        auto bytes = static_cast<const unsigned char *>(data);
        if (soft_) {
            scaled_.assign(bytes, bytes + size);
            ScaleSamples(scaled_.data(), size, params_.format, soft_->Group());
            bytes = scaled_.data();
        }
        size_t done = 0;
        while (size - done >= static_cast<size_t>(frameBytes_)) {
            ::snd_pcm_sframes_t frames = ::snd_pcm_writei(pcm_, bytes + done, (size - done) / frameBytes_);
            if (frames == -EINTR)
                continue;
            if (frames < 0) {
                if (frames == -EPIPE)
                    ++underruns_;
                if (Gone(static_cast<int>(frames)))
                    return done ? static_cast<ssize_t>(done) : -ENODEV;
                break;
            }
            done += static_cast<size_t>(frames) * frameBytes_;
        }
        return static_cast<ssize_t>(done);
    }

    // A drop waits for a play-out in progress on another thread: ALSA's drain must not meet a
    // drop on the same handle (the pulse device's drain then waits for ever on a stopped stream).
    int Drain() override
    {
        std::lock_guard lock(stopMutex_);
        return ::snd_pcm_drop(pcm_);
    }

    // Plays out what is queued. A channel that is stopped (dropped, or run dry) has nothing to
    // play; one whose start threshold was never reached is started first, since a drain of a
    // channel that never started waits for ever on some devices.
    int Flush() override
    {
        std::lock_guard lock(stopMutex_);
        switch (::snd_pcm_state(pcm_)) {
        case SND_PCM_STATE_PREPARED: {
            const ::snd_pcm_sframes_t avail = ::snd_pcm_avail(pcm_);
            if (avail < 0 || static_cast<::snd_pcm_uframes_t>(avail) >= bufferFrames_) {
                ::snd_pcm_drop(pcm_);
                return 0;
            }
            if (int err = ::snd_pcm_start(pcm_); err < 0)
                return err;
            break;
        }
        case SND_PCM_STATE_RUNNING: break;
        default: return 0;
        }
        return ::snd_pcm_drain(pcm_);
    }

    int FileDescriptor() override
    {
        struct pollfd pfd;
        return ::snd_pcm_poll_descriptors(pcm_, &pfd, 1) == 1 ? pfd.fd : -EBADFD;
    }

private:
    // A device unplugged, or a sound server's connection lost: nothing more will play.
    bool Gone(int err)
    {
        return err == -ENODEV || ::snd_pcm_state(pcm_) == SND_PCM_STATE_DISCONNECTED || (server_ && err == -EIO);
    }

    ::snd_pcm_t *pcm_;
    bool server_;
    snd_pcm_channel_params_t params_{};
    ::snd_pcm_uframes_t bufferFrames_ = 0;
    std::mutex stopMutex_;  // a drain and a drop never run at once
    int frameBytes_ = 0;
    int32_t underruns_ = 0;
    snd_mixer_gid_t gid_;
    std::shared_ptr<SoftMixerState> soft_;
    std::vector<unsigned char> scaled_;
};

// The card's playback volume controls, each one mixer group.
class AlsaMixer : public Mixer {
public:
    explicit AlsaMixer(::snd_mixer_t *mixer) : mixer_(mixer) { Read(nullptr); }
    ~AlsaMixer() override { ::snd_mixer_close(mixer_); }

    int Info(snd_mixer_info_t &info) override
    {
        info = {};
        info.groups = static_cast<uint32_t>(Elements().size());
        info.elements = ::snd_mixer_get_count(mixer_);
        std::strncpy(info.id, "ALSA", sizeof info.id - 1);
        std::strncpy(info.name, "ALSA mixer", sizeof info.name - 1);
        return 0;
    }

    int Groups(snd_mixer_groups_t &groups) override
    {
        auto elements = Elements();
        int total = static_cast<int>(elements.size());
        groups.groups = std::min(total, std::max(groups.groups_size, 0));
        groups.groups_over = total - groups.groups;
        for (int i = 0; i < groups.groups; ++i)
            Gid(elements[i], groups.pgroups[i]);
        return 0;
    }

    int GroupRead(snd_mixer_group_t &group) override
    {
        ::snd_mixer_elem_t *elem = Find(group.gid);
        if (!elem)
            return -ENXIO;
        snd_mixer_gid_t gid = group.gid;
        group = {};
        group.gid = gid;
        long min = 0, max = 0, left = 0, right = 0, minDb = 0, maxDb = 0;
        const bool mono = ::snd_mixer_selem_is_playback_mono(elem);
        if (DbRange(elem, minDb, maxDb)) {
            max = kLoudnessLevels;
            left = LoudnessLevel(elem, SND_MIXER_SCHN_FRONT_LEFT, maxDb);
            right = mono ? left : LoudnessLevel(elem, SND_MIXER_SCHN_FRONT_RIGHT, maxDb);
        } else {
            ::snd_mixer_selem_get_playback_volume_range(elem, &min, &max);
            ::snd_mixer_selem_get_playback_volume(elem, SND_MIXER_SCHN_FRONT_LEFT, &left);
            right = left;
            if (!mono)
                ::snd_mixer_selem_get_playback_volume(elem, SND_MIXER_SCHN_FRONT_RIGHT, &right);
        }
        group.channels = SND_MIXER_CHN_MASK_FRONT_LEFT;
        if (!mono)
            group.channels |= SND_MIXER_CHN_MASK_FRONT_RIGHT;
        group.min = static_cast<int32_t>(min);
        group.max = static_cast<int32_t>(max);
        group.volume.names.front_left = static_cast<int32_t>(left);
        group.volume.names.front_right = static_cast<int32_t>(right);
        int on = 1;
        if (::snd_mixer_selem_has_playback_switch(elem) &&
            ::snd_mixer_selem_get_playback_switch(elem, SND_MIXER_SCHN_FRONT_LEFT, &on) == 0 && !on)
            group.mute = group.channels;
        return 0;
    }

    int GroupWrite(const snd_mixer_group_t &group) override
    {
        ::snd_mixer_elem_t *elem = Find(group.gid);
        if (!elem)
            return -ENXIO;
        long left = group.volume.names.front_left, right = group.volume.names.front_right, minDb = 0, maxDb = 0;
        if (DbRange(elem, minDb, maxDb)) {
            left = RawForLoudness(elem, left, minDb, maxDb);
            right = RawForLoudness(elem, right, minDb, maxDb);
        }
        int err = ::snd_mixer_selem_set_playback_volume(elem, SND_MIXER_SCHN_FRONT_LEFT, left);
        if (err == 0 && !::snd_mixer_selem_is_playback_mono(elem))
            err = ::snd_mixer_selem_set_playback_volume(elem, SND_MIXER_SCHN_FRONT_RIGHT, right);
        if (err == 0 && ::snd_mixer_selem_has_playback_switch(elem))
            err = ::snd_mixer_selem_set_playback_switch_all(elem, group.mute ? 0 : 1);
        return err;
    }

    int Read(snd_mixer_callbacks_t *callbacks) override
    {
        ::snd_mixer_handle_events(mixer_);
        int delivered = 0;
        for (::snd_mixer_elem_t *elem : Elements()) {
            snd_mixer_group_t group{};
            Gid(elem, group.gid);
            if (GroupRead(group) < 0)
                continue;
            std::string key = std::string(group.gid.name) + "#" + std::to_string(group.gid.index);
            auto known = last_.find(key);
            bool changed = known == last_.end() || std::memcmp(&known->second, &group, sizeof group) != 0;
            last_[key] = group;
            if (changed && known != last_.end()) {
                ++delivered;
                if (callbacks && callbacks->group)
                    callbacks->group(callbacks->private_data, SND_MIXER_READ_GROUP_VALUE, &group.gid);
            }
        }
        return delivered;
    }

    int FileDescriptor() override
    {
        struct pollfd pfd;
        return ::snd_mixer_poll_descriptors(mixer_, &pfd, 1) == 1 ? pfd.fd : -EBADFD;
    }

private:
    std::vector<::snd_mixer_elem_t *> Elements()
    {
        std::vector<::snd_mixer_elem_t *> found;
        for (::snd_mixer_elem_t *e = ::snd_mixer_first_elem(mixer_); e; e = ::snd_mixer_elem_next(e))
            if (::snd_mixer_selem_is_active(e) && ::snd_mixer_selem_has_playback_volume(e))
                found.push_back(e);
        return found;
    }

    static void Gid(::snd_mixer_elem_t *elem, snd_mixer_gid_t &gid)
    {
        gid = {};
        std::strncpy(gid.name, ::snd_mixer_selem_get_name(elem), sizeof gid.name - 1);
        gid.index = static_cast<int32_t>(::snd_mixer_selem_get_index(elem));
    }

    ::snd_mixer_elem_t *Find(const snd_mixer_gid_t &gid)
    {
        for (::snd_mixer_elem_t *elem : Elements()) {
            snd_mixer_gid_t candidate;
            Gid(elem, candidate);
            if (std::strncmp(candidate.name, gid.name, sizeof gid.name) == 0 && candidate.index == gid.index)
                return elem;
        }
        return nullptr;
    }

    ::snd_mixer_t *mixer_;
    std::map<std::string, snd_mixer_group_t> last_;
};

class AlsaSink : public Sink {
public:
    explicit AlsaSink(std::string device) : device_(std::move(device)) {}

    // The machine's cards; without any, a device that plays through a sound server (and has a
    // control of its own) is the one card.
    int Cards() override
    {
        int count = 0;
        for (int card = -1; ::snd_card_next(&card) == 0 && card >= 0;)
            ++count;
        if (count == 0 && !ControlCardName(MixerName(device_)).empty())
            count = 1;
        return count;
    }

    int OpenPcm(int, int, std::unique_ptr<PcmStream> &out) override
    {
        ::snd_pcm_t *pcm = nullptr;
        int err = ::snd_pcm_open(&pcm, device_.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
        if (err < 0)
            return err;
        snd_mixer_gid_t gid;
        const bool own = DeviceVolumeElement(device_, gid);
        if (!own)
            SoftGroupId(gid);
        out = std::make_unique<AlsaPcm>(pcm, gid, own ? nullptr : soft_, ServerControl(MixerName(device_)));
        return 0;
    }

    int CardInfo(int card, snd_ctl_hw_info_t &info) override
    {
        std::string name;
        char *cardName = nullptr;
        if (::snd_card_get_name(card, &cardName) == 0) {
            name = cardName;
            std::free(cardName);
        } else if (card == 0) {
            name = ControlCardName(MixerName(device_));
        }
        if (name.empty())
            return -ENODEV;
        info = {};
        info.pcmdevs = 1;
        info.mixerdevs = 1;
        std::strncpy(info.id, "ALSA", sizeof info.id - 1);
        std::strncpy(info.name, name.c_str(), sizeof info.name - 1);
        return 0;
    }

    int OpenMixer(int, int, std::unique_ptr<Mixer> &out) override
    {
        // A device without a volume element of its own, or a sound server's: the players' volume
        // is kept here and applied to the samples.
        snd_mixer_gid_t gid;
        if (!DeviceVolumeElement(device_, gid)) {
            out = soft_->Open();
            return 0;
        }
        ::snd_mixer_t *mixer = nullptr;
        int err = ::snd_mixer_open(&mixer, 0);
        if (err < 0)
            return err;
        std::string name = MixerName(device_);
        if ((err = ::snd_mixer_attach(mixer, name.c_str())) < 0 ||
            (err = ::snd_mixer_selem_register(mixer, nullptr, nullptr)) < 0 || (err = ::snd_mixer_load(mixer)) < 0) {
            ::snd_mixer_close(mixer);
            return err;
        }
        out = std::make_unique<AlsaMixer>(mixer);
        return 0;
    }

private:
    std::string device_;
    std::shared_ptr<SoftMixerState> soft_ = std::make_shared<SoftMixerState>();
};

}  // namespace

void ScaleSamples(unsigned char *bytes, size_t size, const snd_pcm_format_t &format, const snd_mixer_group_t &group)
{
    const int range = group.max - group.min;
    const int voices = std::max(1, static_cast<int>(format.voices));
    auto gain = [&](int voice) {
        if (group.mute || range <= 0)
            return 0.0;
        const int level =
            voice % 2 == 0 || voices == 1 ? group.volume.names.front_left : group.volume.names.front_right;
        return LoudnessGain(static_cast<double>(level - group.min) / range);
    };
    const double left = gain(0), right = gain(1);
    if (left == 1.0 && right == 1.0)
        return;
    const int width = FormatBytesPerSample(format.format);
    for (size_t i = 0, n = 0; i + width <= size; i += width, ++n) {
        const double g = (n % voices) % 2 == 0 ? left : right;
        switch (format.format) {
        case SND_PCM_SFMT_S16_LE: {
            const auto v = static_cast<int16_t>(bytes[i] | bytes[i + 1] << 8);
            const auto s = static_cast<int16_t>(v * g);
            bytes[i] = static_cast<unsigned char>(s & 0xFF);
            bytes[i + 1] = static_cast<unsigned char>((s >> 8) & 0xFF);
            break;
        }
        case SND_PCM_SFMT_S16_BE: {
            const auto v = static_cast<int16_t>(bytes[i] << 8 | bytes[i + 1]);
            const auto s = static_cast<int16_t>(v * g);
            bytes[i] = static_cast<unsigned char>((s >> 8) & 0xFF);
            bytes[i + 1] = static_cast<unsigned char>(s & 0xFF);
            break;
        }
        case SND_PCM_SFMT_U8: bytes[i] = static_cast<unsigned char>(128 + (bytes[i] - 128) * g); break;
        case SND_PCM_SFMT_S8: bytes[i] = static_cast<unsigned char>(static_cast<signed char>(bytes[i]) * g); break;
        default: break;
        }
    }
}

double LoudnessToDb(double fraction)
{
    return fraction <= 0 ? -HUGE_VAL : 10 * std::log2(std::min(fraction, 1.0));
}

double DbToLoudness(double db)
{
    return std::exp2(std::min(db, 0.0) / 10);
}

double LoudnessGain(double fraction)
{
    if (fraction >= 1)
        return 1;
    return fraction <= 0 ? 0 : std::pow(10.0, LoudnessToDb(fraction) / 20);
}

std::shared_ptr<Sink> MakeAlsaSink(const std::string &device)
{
    return std::make_shared<AlsaSink>(device);
}

bool AlsaCardExists()
{
    int card = -1;
    return ::snd_card_next(&card) == 0 && card >= 0;
}

}  // namespace qnx::sound
