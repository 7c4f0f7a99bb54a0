// The transport: plays the play list's tracks through the decoder back-ends, keeps the
// now-playing record, and tells the view what to show.
#include <glib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "Jukebox.h"
#include "RegularFile.h"
#include "SorvexTexts.h"

namespace sorvex {

namespace {

constexpr std::size_t kTextLimit = 999;

// A named pipe or a device would hold the player, and the jukebox reading its first line, for
// good: only regular files are handed to it, and the caller goes on to the next track.
int startRegular(PlayerBackend& backend, const std::string& path) {
    if (!IsRegularFile(path)) {
        std::fprintf(stderr, texts::kNotARegularFile, path.c_str());
        return -1;
    }
    return backend.start(path.c_str());
}

std::string minutesAndSeconds(int seconds) {
    char text[32];
    std::snprintf(text, sizeof text, texts::kTimeFormat, seconds / 60, seconds % 60);
    return text;
}

}  // namespace

Jukebox::Jukebox(Prefs& prefs, Backends backends) : prefs_(prefs), backends_(std::move(backends)) {
    if (backends_.empty())
        backends_ = MakeBackends(prefs_.replayGain, prefs_.addDecibels, AudioOutputFromEnvironment());
    for (auto& backend : backends_) {
        backend->setListener(this);
        backend->setGate(&gate_);
    }
    currentBackend_ = backends_.front().get();
    gate_.setIdle([this] {
        if (!holdAlerts_) showHeldAlerts();
    });
}

Jukebox::~Jukebox() {
    for (auto& backend : backends_) {
        backend->setListener(nullptr);
        backend->stop();
    }
}

int Jukebox::playFile(const std::optional<std::string>& path) {
    stopPlayback();
    if (!path) return -1;
    PlayerBackend* backend = findBackend(path->c_str());
    if (!backend) return -1;
    currentBackend_ = backend;
    // Each track starts with the preferences as they are now (the Settings dialog may have changed them).
    backend->usePreferences(prefs_.replayGain, prefs_.addDecibels);
    view_->setTrackLabel("");
    view_->setArtistLabel("");
    view_->setAlbumLabel("");
    int result = -1;
    if (::access(path->c_str(), R_OK) == 0) {
        result = startRegular(*backend, *path);
    } else {
        std::perror(path->c_str());
        std::string other = path->substr(0, kTextLimit);
        const Charsets sets = charsets();
        sets.nativeToUtf(other);
        sets.utfToFs(other);
        if (::access(other.c_str(), R_OK) == 0) result = startRegular(*backend, other);
        else std::printf(texts::kNotFound, path->c_str(), other.c_str());
    }
    updateControls();
    paused_ = false;
    return result;
}

void Jukebox::stopPlayback() {
    if (currentBackend_ && currentBackend_->isPlaying()) {
        currentBackend_->stop();
        view_->setTrackLabel("");
        view_->setArtistLabel("");
        view_->setAlbumLabel("");
    }
    updateControls();
    paused_ = false;
}

void Jukebox::togglePause() {
    if (isPlaying()) currentBackend_->pauseToggle();
    paused_ = !paused_;
}

bool Jukebox::isPlaying() const { return currentBackend_ && currentBackend_->isPlaying(); }

void Jukebox::playNext() {
    // Unplayable entries are skipped; with repeat on, one full pass of failures ends playback
    // instead of going round for ever.
    int failures = 0;
    for (;;) {
        const std::optional<std::string> path = nextEntry();
        if (playFile(path) == 0 || !path) return;
        if (++failures >= count()) {
            stopPlayback();
            return;
        }
    }
}

void Jukebox::playerFailed(const std::string& program, const std::string& said) {
    const std::string path = currentPath().value_or("");
    const std::string why = said.empty() ? texts::kPlayerSaidNothing : said;
    std::fprintf(stderr, texts::kPlayerEnded, program.c_str(), path.c_str(), why.c_str());
    stopPlayback();
    const std::size_t slash = path.rfind('/');
    std::string shown = slash == std::string::npos ? path : path.substr(slash + 1);
    charsets().fsToUtf(shown);
    gchar* text = g_strdup_printf(texts::kPlayerEndedAlert, shown.c_str(), program.c_str(), why.c_str());
    alert(text);
    g_free(text);
}

void Jukebox::alert(const std::string& text) {
    if (holdAlerts_ || gate_.busy()) heldAlerts_.push_back(text);
    else view_->alert(text);
}

void Jukebox::playPressed() {
    if (isPlaying()) {
        if (selected_ < 0 || selected_ >= count() || selected_ == current_) {
            if (paused_) togglePause();
            return;
        }
        current_ = selected_;
        playFile(currentPath());
        return;
    }
    if (count() == 0) return;
    if (selected_ > 0 && selected_ < count()) current_ = selected_;
    else current_ = static_cast<int>(::random() % count());
    relistPlaylist();
    playFile(currentPath());
}

void Jukebox::updateControls() { view_->updateControls(count() > 0, isPlaying()); }

std::string Jukebox::statusText() const {
    char mode[32];
    std::snprintf(mode, sizeof mode, texts::kStatusMode, isPlaying() ? "play" : "stop");
    std::string text = mode;
    if (isPlaying()) {
        gchar* lines = g_strdup_printf(texts::kStatusPlaying, now_.elapsed, now_.length, now_.artist.c_str(),
                                       now_.album.c_str(), now_.title.c_str());
        text += lines;
        g_free(lines);
    }
    return text;
}

void Jukebox::setTrackTitle(const std::string& text) {
    now_.title = text.substr(0, kTextLimit);
    std::string shown = now_.title;
    charsets().nativeToUtf(shown);
    view_->setTrackLabel(shown);
}

void Jukebox::setArtist(const std::string& text) {
    now_.artist = text.substr(0, kTextLimit);
    std::string shown = now_.artist;
    charsets().nativeToUtf(shown);
    view_->setArtistLabel(shown);
}

void Jukebox::setAlbum(const std::string& text) {
    now_.album = text.substr(0, kTextLimit);
    std::string shown = now_.album;
    charsets().nativeToUtf(shown);
    view_->setAlbumLabel(shown);
}

void Jukebox::setElapsed(int seconds) {
    now_.elapsed = seconds;
    view_->setElapsed(seconds, minutesAndSeconds(seconds));
}

void Jukebox::setLength(int seconds) {
    now_.length = seconds;
    view_->setLength(seconds, minutesAndSeconds(seconds), !now_.sliderDragged);
}

void Jukebox::quitJukebox(const std::optional<std::string>& prefsPath) {
    stopPlayback();
    if (prefsPath) WritePrefs(prefs_, *prefsPath);
    if (prefs_.saveOnExit && prefs_.defaultList && !prefs_.defaultList->empty()) {
        const std::string& list = *prefs_.defaultList;
        const std::size_t slash = list.rfind('/');
        if (slash == std::string::npos) savePlaylist(".", list);
        else savePlaylist(list.substr(0, slash), list.substr(slash + 1));
    }
}

}  // namespace sorvex
