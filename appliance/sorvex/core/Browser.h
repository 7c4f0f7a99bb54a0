#pragma once
// The directory browser's logic: directory listings and page descriptions (".phj") turned into
// item lists, the five cached pages with their modification times, and the back history. The
// window creates the items' widgets (BrowserView).

#include <sys/stat.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "Jukebox.h"

namespace sorvex {

// What a page description or the lister gives for one item.
struct ItemOptions {
    std::optional<std::string> label;
    std::optional<std::string> image;
    std::optional<std::string> font;
    std::optional<std::string> target;
    long background = -1;  // -1: the container's fill colour
    long textColour = -1;  // -1: white
    long armColour = -1;   // -1: none
    int height = 0;        // 0: the default height
    int width = 0;         // 0: natural; below 0: the whole row
    bool newLine = false;
    int kind = 0;  // 0: decide from the target; 2 track, 3 playlist, 4 other
};

enum ItemKind { kKindDecide = 0, kKindTrack = 2, kKindPlaylist = 3, kKindOther = 4 };

struct PageItems {
    std::vector<ItemOptions> items;
    bool hasTracks = false;
};

// "%d,%d,%d" or a colour name; an unknown name prints a message and gives grey.
long ParseColour(const std::string& text);

// The kind an item shows: kind 0 with a target becomes track, playlist or other.
int DecideKind(const ItemOptions& item, const Jukebox& jukebox);

// A directory's items: index.phj when readable, else sub-directories, page descriptions,
// playlists and tracks, each sorted without regard to case. None when it cannot be opened.
std::optional<PageItems> ScanDirectory(const std::string& path, const Jukebox& jukebox);
std::optional<PageItems> LoadPhjPage(const std::string& path, const Jukebox& jukebox);

// What the window does with the five scroll containers (numbered 0 to 4).
class BrowserView {
public:
    virtual ~BrowserView() = default;
    virtual void bringToFront(int /*container*/) {}
    virtual void clearPage(int /*container*/) {}
    virtual void buildPage(int /*container*/, const PageItems& /*items*/) {}
    virtual void setBackEnabled(bool /*enabled*/) {}
    virtual void setAddTracksEnabled(bool /*enabled*/) {}
};

class Browser {
public:
    static constexpr int kPages = 5;

    Browser(Jukebox& jukebox, std::string startingDirectory);
    void setView(BrowserView* view) { view_ = view ? view : &noView_; }

    // Shows a directory or page; with `record` the front page's path goes on the back history.
    void showDirectory(const std::string& path, bool record);
    void back();
    void home() { showDirectory(startingDirectory_, true); }
    // A tap on an item: taps less than 400 ms after the last accepted one are ignored.
    void tap(const std::string& target, unsigned long milliseconds);

    // The container of the front page, the path it shows, and its playable targets in page order.
    int frontContainer() const { return pages_[0].container; }
    const std::optional<std::string>& frontPath() const { return pages_[0].path; }
    std::vector<std::string> frontTracks() const;
    const std::vector<std::string>& history() const { return history_; }
    const std::string& startingDirectory() const { return startingDirectory_; }

private:
    struct Page {
        int container = 0;
        std::optional<std::string> path;
        timespec modified{};
        PageItems items;
    };
    void bringToFront(std::size_t index);
    void build(Page& page);

    Jukebox& jukebox_;
    std::string startingDirectory_;
    std::array<Page, kPages> pages_;
    std::vector<std::string> history_;
    std::optional<unsigned long> lastTap_;
    BrowserView noView_;
    BrowserView* view_ = &noView_;
};

}  // namespace sorvex
