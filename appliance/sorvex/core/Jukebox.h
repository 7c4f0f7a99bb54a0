#pragma once
// The jukebox's program-wide state and operations: the play list and its play order, the
// transport that drives the decoder back-ends, the now-playing record, and the playlist
// files. The command port and the main window both call these operations.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Backends.h"
#include "Charsets.h"
#include "CommandGate.h"
#include "JukeboxView.h"
#include "Prefs.h"

namespace sorvex {

struct Entry {
    std::string path;
    std::string title;
};

// The now-playing record: texts as the decoder printed them (data charset).
struct NowPlaying {
    std::string title;
    std::string artist;
    std::string album;
    int elapsed = 0;
    int length = 0;
    bool sliderDragged = false;
};

class Jukebox : public BackendListener {
public:
    // `backends` empty: the two back-ends for the preferences and ZEPHRA_AUDIO_SINK.
    explicit Jukebox(Prefs& prefs, Backends backends = {});
    ~Jukebox() override;

    void setView(JukeboxView* view) { view_ = view ? view : &noView_; }
    // Every command (port line, player event, click) runs through this gate, one at a time.
    CommandGate& gate() { return gate_; }
    Prefs& prefs() { return prefs_; }
    const Prefs& prefsView() const { return prefs_; }
    const Backends& backends() const { return backends_; }
    PlayerBackend* findBackend(const char* path) const { return FindBackend(backends_, path); }
    Charsets charsets() const { return Charsets(prefs_.dataCharset, prefs_.fsCharset); }

    // ---- Play list ----
    void addEntry(const std::string& directory, const std::string& path, const std::optional<std::string>& title,
                  bool show);
    void addFileEntry(const std::string& path, bool show);
    void clearPlaylist();
    void relistPlaylist();
    std::optional<std::string> nextEntry();
    std::optional<std::string> prevEntry();
    std::optional<std::string> currentPath() const;
    void showPosition(int position);
    void deleteSelected();
    void openPath(const std::string& path, bool start);
    // Adds tracks (in the given order) as the browser's "add all tracks" does.
    void addTracks(const std::vector<std::string>& targets);
    // The list widget's selection: a second notice within 0.7 seconds plays the row.
    void rowSelected(int row, bool withReason, long long microseconds);
    void toggleShuffle();
    void toggleRepeat() { prefs_.repeat = !prefs_.repeat; }
    void toggleAutoclear() { prefs_.autoclear = !prefs_.autoclear; }

    int count() const { return static_cast<int>(entries_.size()); }
    int current() const { return current_; }
    int selected() const { return selected_; }
    void select(int position) { selected_ = position; }
    const std::vector<Entry>& entries() const { return entries_; }
    const std::vector<int>& order() const { return order_; }

    // ---- Transport ----
    int playFile(const std::optional<std::string>& path);
    void stopPlayback() override;
    void togglePause();
    bool isPlaying() const;
    bool isPaused() const { return paused_; }
    void playNext() override;
    // The player ended before it played anything: said once, and playback stops.
    void playerFailed(const std::string& program, const std::string& said) override;
    void playPressed();
    void prevPressed() { playFile(prevEntry()); }
    void updateControls();
    const NowPlaying& nowPlaying() const { return now_; }
    void setSliderDragged(bool dragged) { now_.sliderDragged = dragged; }
    // The command port's status text.
    std::string statusText() const;

    void setTrackTitle(const std::string& text) override;
    void setArtist(const std::string& text) override;
    void setAlbum(const std::string& text) override;
    void setElapsed(int seconds) override;
    void setLength(int seconds) override;

    // ---- Playlist files ----
    int loadM3u(const std::string& path, bool show);
    int loadTrackTable(const std::string& path, bool show);
    bool isTrackTable(const std::string& path) const;
    void loadPlaylistFile(const std::string& path, bool start);
    // Writes the whole list as an M3U playlist; false when it could not be written in full.
    // `plainFileOnly`: a target that is a link or anything but a plain file is not opened.
    bool savePlaylist(const std::string& directory, const std::string& name, bool plainFileOnly = false);
    // While held, the alerts of a save wait for showHeldAlerts(): a network client's reply must
    // not wait until someone presses OK on the appliance.
    void holdAlerts(bool hold) { holdAlerts_ = hold; }
    void showHeldAlerts();

    // ---- Ending ----
    // Stops, writes the preferences (to `prefsPath` when given), saves the default list if so set.
    void quitJukebox(const std::optional<std::string>& prefsPath);

private:
    void showProgress(const char* text, int entries) { view_->showProgress(text, entries); }
    // An alert raised inside a command waits until the command is done (a modal box would let
    // the loop run inside it).
    void alert(const std::string& text);
    void showTexts();

    // First: what waits in it may name the back-ends, which go before it.
    CommandGate gate_;
    Prefs& prefs_;
    Backends backends_;
    PlayerBackend* currentBackend_ = nullptr;
    JukeboxView noView_;
    JukeboxView* view_ = &noView_;

    std::vector<Entry> entries_;
    std::vector<int> order_;
    int current_ = -1;
    int selected_ = -1;
    long long lastSelection_ = -1'000'000'000;

    NowPlaying now_;
    bool paused_ = false;
    bool holdAlerts_ = false;
    std::vector<std::string> heldAlerts_;
};

}  // namespace sorvex
