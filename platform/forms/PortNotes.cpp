#include "forms/PortNotes.h"

#include <deque>
#include <mutex>

namespace forms {

namespace {

constexpr std::size_t kMaxNotes = 64;

std::mutex& notesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::deque<PortNote>& notes() {
    static std::deque<PortNote> list;
    return list;
}

}  // namespace

void NotePort(PortNote note) {
    if (note.address.empty()) note.address = "0.0.0.0";
    std::lock_guard lock(notesMutex());
    notes().push_back(std::move(note));
    if (notes().size() > kMaxNotes) notes().pop_front();
}

void WithdrawPortFailure(const std::string& protocol, int32_t port) {
    std::lock_guard lock(notesMutex());
    std::erase_if(notes(), [&](const PortNote& note) {
        return !note.failure.empty() && note.protocol == protocol && note.port == port;
    });
}

std::vector<PortNote> NotedPorts() {
    std::lock_guard lock(notesMutex());
    return {notes().begin(), notes().end()};
}

std::string PortText(const PortNote& note) {
    std::string text = note.protocol + " " + note.address + ":" + std::to_string(note.port);
    if (!note.what.empty()) text += " (" + note.what + ")";
    if (!note.failure.empty()) text += ": " + note.failure;
    return text;
}

std::string PortLine(const PortNote& note) {
    return (note.failure.empty() ? "listening on " : "cannot listen on ") + PortText(note);
}

}  // namespace forms
