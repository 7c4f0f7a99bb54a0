// Opening a medium: a file at once on the host's thread; a network stream is only noted here and
// connected by the decoder thread at start, which then reads its header from the ring.
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CoreMessages.h"
#include "DirectAudio.h"
#include "PlayPosition.h"
#include "PlimsaCore.h"
#include "RingSource.h"

namespace plimsa::core {

namespace {

using namespace messages;

constexpr size_t kSchemeLength = 7;

void KeepUrl(MvPluginData* pd, const char* url) {
    std::free(pd->url);
    pd->url = strdup(url);
}

// Takes the stream's description into the media record the host is shown.
void Describe(MvPluginData* pd, const SoundStream& stream, uint32_t type) {
    pd->mediaTitle = stream.title.value_or("");
    pd->mediaMoreinfo = stream.moreinfo.value_or("");
    pd->media = MvMediaInfo{};
    pd->media.which = MV_MEDIA_INFO;
    pd->media.type = type;
    pd->media.url = pd->url;
    pd->media.duration = stream.duration;
    pd->media.title = stream.title ? pd->mediaTitle.c_str() : nullptr;
    pd->media.moreinfo = stream.moreinfo ? pd->mediaMoreinfo.c_str() : nullptr;
    pd->media.plcount = 0;
}

// Makes an accepted stream the open medium, at position 0.
void Adopt(MvPluginCtrl* ctrl, const SoundDecoder* decoder, std::unique_ptr<SoundStream> stream, uint32_t type) {
    MvPluginData* pd = Data(ctrl);
    pd->bitsPerFrame = static_cast<uint32_t>(MvAudioBitsPerSample(stream->sampleFormat)) * stream->channels;
    stream->owner = ctrl;
    Describe(pd, *stream, type);
    pd->decoder = decoder;
    pd->stream = std::move(stream);
    pd->currentPosition = 0;
    pd->status.position = 0;
    pd->bytesPlayed = 0;
    pd->positionBase = 0;
    pd->lastStep = -1;
    pd->reportedStream = &pd->media;
    calcminfreqfun(pd);
}

// A stream that cannot play: why, from the reader's message or its absence.
void ReportRefused(MvPluginCtrl* ctrl, const SoundStream* stream, const char* path) {
    if (!stream) errmsg(ctrl, kInvalidFile, path);
    else errmsg(ctrl, kRefused, stream->message->c_str());
}

// A file open that failed leaves no medium: MV_CLOSED, URL forgotten.
void FailFileOpen(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    pd->reportedStream = nullptr;
    mstate(ctrl, MV_CLOSED);
    std::free(pd->url);
    pd->url = nullptr;
}

// A medium that is open or playing is stopped, its threads joined and its stream closed.
void EndPreviousMedium(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    const uint32_t state = State(pd);
    if (state == MV_PLAYING || state == MV_PAUSED) mstop(ctrl);
    if (pd->decoderThread) StopDecoder(pd);
    ReleaseMedium(pd);
}

}  // namespace

void calcminfreqfun(MvPluginData* pd) {
    const SoundStream& stream = *pd->stream;
    pd->blockDuration = BlockDurationMs(stream.blockSize, stream.sampleRate, pd->bitsPerFrame);
    if (pd->playParams.status_frequency < pd->blockDuration) pd->playParams.status_frequency = pd->blockDuration;
}

void ReleaseMedium(MvPluginData* pd) {
    if (pd->stream) pd->decoder->close(std::move(pd->stream));
    pd->stream.reset();
    pd->decoder = nullptr;
    pd->input = nullptr;
    std::free(pd->url);
    pd->url = nullptr;
    pd->media = MvMediaInfo{};
    pd->httpMedia = MvMediaInfo{};
    pd->reportedStream = nullptr;
    pd->status.media_info = nullptr;
}

int mopen_urls(MvPluginCtrl* ctrl, int count, const char** urls) {
    MvPluginData* pd = Data(ctrl);
    if (count <= 0 || !urls || !urls[0] || State(pd) == MV_DEAD) return -1;
    EndPreviousMedium(ctrl);
    const char* url = urls[0];
    pd->status.videoWndTitle = "";
    if (strncasecmp(url, kHttpPrefix, kSchemeLength) == 0) {
        g_Setup.streamType = MV_STREAM;
        KeepUrl(pd, url);
        mstate(ctrl, MV_OPENING);
        mstate(ctrl, MV_STOPPED);
    } else if (strncasecmp(url, kFilePrefix, kSchemeLength) == 0) {
        g_Setup.streamType = MV_STREAM_ASFILE;
        KeepUrl(pd, url);
        openfile(ctrl);
    } else {
        std::fputs(kUnrecognizedUrl, stdout);
        if (IsFileMode()) {
            KeepUrl(pd, url);
            openfile(ctrl);
        }
    }
    return 0;
}

SoundStream* openfile(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    const char* url = pd->url;
    if (!url ||
        (std::strncmp(url, kFilePrefix, kSchemeLength) != 0 && std::strncmp(url, kHttpPrefix, kSchemeLength) != 0)) {
        errmsg(ctrl, "%s", kBadUrlType);
        return nullptr;
    }
    pd->noMedia = MvMediaInfo{};
    pd->reportedStream = &pd->noMedia;
    mstate(ctrl, MV_OPENING);

    const char* path = url + kSchemeLength;
    const SoundDecoder* decoder = find_decoder(path);
    if (!decoder) {
        errmsg(ctrl, "%s", kNotRecognized);
        FailFileOpen(ctrl);
        return nullptr;
    }
    std::unique_ptr<SoundStream> stream = decoder->open(path);
    if (!stream || stream->message) {
        ReportRefused(ctrl, stream.get(), path);
        if (stream) decoder->close(std::move(stream));
        FailFileOpen(ctrl);
        return nullptr;
    }
    const uint32_t type = stream->type;
    Adopt(ctrl, decoder, std::move(stream), type);
    pd->input = pd->stream->file;
    mstate(ctrl, MV_STOPPED);
    return pd->stream.get();
}

SoundStream* OpenStream(MvPluginCtrl* ctrl, RingBuffer* ring) {
    const uint8_t* head = nullptr;
    const unsigned long length = PeekRing(ring, &head, kProbeBytes);
    const SoundDecoder* decoder = length ? FindDecoder(head, length) : nullptr;
    if (!decoder) {
        if (!StopThePlayer) errmsg(ctrl, "%s", kNotRecognized);
        return nullptr;
    }
    RingReader reader{ring};
    ByteSource source = RingSource(reader);
    std::unique_ptr<SoundStream> stream = decoder->read(source);
    if (!stream || stream->message) {
        if (StopThePlayer) return nullptr;
        if (!stream) errmsg(ctrl, "%s", kCouldNotReadHeader);
        else errmsg(ctrl, kRefused, stream->message->c_str());
        if (stream) decoder->close(std::move(stream));
        mstate(ctrl, MV_CLOSED);
        return nullptr;
    }
    // A network stream cannot be sought.
    Adopt(ctrl, decoder, std::move(stream), MV_MEDIA_AUDIO);
    return Data(ctrl)->stream.get();
}

}  // namespace plimsa::core
