#include "ControlPages.h"

#include "PageTexts.h"
#include "RiffWave.h"
#include "simkit/PrintableText.h"
#include "simkit/WholeNumber.h"

namespace appliance_sim {

namespace texts = page_texts;

namespace {

constexpr int lastSoundNumber = 18;  // the appliance has 19 sounds, 0 to 18
constexpr int maxLevel = 100;

PageAnswer ok(std::string outcome, std::string_view body = texts::bodyOk) {
    PageAnswer answer;
    answer.body = std::string(body);
    answer.outcome = "ok " + outcome;
    return answer;
}

PageAnswer badArgument(std::string_view query) {
    PageAnswer answer;
    answer.body = std::string(texts::bodyError);
    answer.outcome = "bad-argument " + simkit::quoted(query);
    return answer;
}

PageAnswer notFound() {
    PageAnswer answer;
    answer.status = 404;
    answer.body = std::string(texts::bodyNotFound);
    answer.outcome = "not-found";
    return answer;
}

std::string onOff(bool on) { return on ? "on" : "off"; }
std::string bit(bool on) { return on ? "1" : "0"; }

// "t" or "m" for the top or mail LED, then "0" off, "1" on, "2" blink.
PageAnswer led(ApplianceState& state, std::string_view query) {
    if (query.size() != 2) return badArgument(query);
    static constexpr const char* words[] = {"off", "on", "blink"};
    const auto code = simkit::wholeNumber(query.substr(1), 2);
    if (!code) return badArgument(query);
    if (query[0] == 't') {
        state.topLed = words[*code];
        return ok("topled=" + state.topLed);
    }
    if (query[0] == 'm') {
        state.mailLed = words[*code];
        return ok("mailled=" + state.mailLed);
    }
    return badArgument(query);
}

PageAnswer backlight(ApplianceState& state, bool on) {
    state.backlight = on;
    return ok("backlight=" + onOff(on));
}

// "0 N" plays sound N; "4 L" sets the sounds volume to L.
PageAnswer beep(ApplianceState& state, std::string_view query) {
    if (query.size() < 3 || query[1] != ' ') return badArgument(query);
    const auto value = query.substr(2);
    if (query[0] == '0') {
        const auto sound = simkit::wholeNumber(value, lastSoundNumber);
        if (!sound) return badArgument(query);
        state.lastSound = *sound;
        return ok("sound=" + std::to_string(*sound));
    }
    if (query[0] == '4') {
        const auto level = simkit::wholeNumber(value, maxLevel);
        if (!level) return badArgument(query);
        state.soundsVolume = *level;
        return ok("soundsvolume=" + std::to_string(*level));
    }
    return badArgument(query);
}

void setAwake(ApplianceState& state, bool awake) {
    state.awake = awake;
    state.backlight = awake;  // asleep means the screen is dark
}

// "0" sleep, "1" wake, "t" toggle, "p" answer "1" when awake.
PageAnswer screen(ApplianceState& state, std::string_view query) {
    if (query == "0" || query == "1") setAwake(state, query == "1");
    else if (query == "t") setAwake(state, !state.awake);
    else if (query == "p") return ok("poll=" + bit(state.awake), state.awake ? texts::bodyAwake : texts::bodyAsleep);
    else return badArgument(query);
    return ok("awake=" + bit(state.awake));
}

PageAnswer gotoUrl(ApplianceState& state, std::string_view rawQuery) {
    if (rawQuery.substr(0, texts::gotoUrlPrefix.size()) != texts::gotoUrlPrefix ||
        rawQuery.size() == texts::gotoUrlPrefix.size())
        return badArgument(rawQuery);
    state.currentUrl = simkit::percentDecoded(rawQuery.substr(texts::gotoUrlPrefix.size()));
    state.browsed = "loading";
    auto answer = ok("url=" + simkit::quoted(state.currentUrl));
    answer.followUp = FollowUp::browse;
    answer.url = state.currentUrl;
    return answer;
}

PageAnswer volume(ApplianceState& state, std::string_view query) {
    const auto level = simkit::wholeNumber(query, maxLevel);
    if (!level) return badArgument(query);
    state.volume = *level;
    return ok("volume=" + std::to_string(*level));
}

PageAnswer loadWav(std::string_view query) {
    if (query.empty()) return badArgument(query);
    PageAnswer answer = ok({});
    answer.followUp = FollowUp::fetchWav;
    answer.url = std::string(query);
    return answer;
}

PageAnswer toggleFullScreen(ApplianceState& state) {
    state.fullScreen = !state.fullScreen;
    return ok("fullscreen=" + bit(state.fullScreen));
}

}  // namespace

PageAnswer answerControlPage(ApplianceState& state, std::string_view target) {
    const auto mark = target.find('?');
    const auto path = target.substr(0, mark);
    const auto rawQuery = mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
    const std::string query = simkit::percentDecoded(rawQuery);
    if (path == texts::ledPage) return led(state, query);
    if (path == texts::screenOnPage) return backlight(state, true);
    if (path == texts::screenOffPage) return backlight(state, false);
    if (path == texts::beepPage) return beep(state, query);
    if (path == texts::screenPage) return screen(state, query);
    if (path == texts::gotoUrlPage) return gotoUrl(state, rawQuery);
    if (path == texts::volumePage) return volume(state, query);
    if (path == texts::loadWavPage) return loadWav(query);
    if (path == texts::toggleBrowserPage || path == texts::fullScreenToggle) return toggleFullScreen(state);
    return notFound();
}

std::string recordWavFetch(ApplianceState& state, const std::string& url, const FetchResult& fetched) {
    state.wavUrl = url;
    state.wavMs = -1;
    state.wavFormat.clear();
    state.wavError = fetched.error;
    const std::string shown = "wav=" + simkit::quoted(url);
    if (!fetched.error.empty()) return "fetch-failed " + shown + " reason=" + simkit::quoted(fetched.error);
    std::string why;
    const auto facts = parseRiffWave(fetched.head, why);
    if (!facts) {
        state.wavError = why;
        return "fetch-failed " + shown + " reason=" + why + " bytes=" + std::to_string(fetched.bodyBytes);
    }
    state.wavMs = playingTimeMs(*facts, fetched.bodyBytes);
    state.wavFormat = describeFormat(*facts);
    return "ok " + shown + " ms=" + std::to_string(state.wavMs) + " format=" + simkit::quoted(state.wavFormat) +
           " bytes=" + std::to_string(fetched.bodyBytes);
}

std::string recordBrowse(ApplianceState& state, const FetchResult& fetched) {
    if (fetched.error.empty()) state.browsed = "ok status=200 bytes=" + std::to_string(fetched.bodyBytes);
    else state.browsed = "failed reason=" + simkit::quoted(fetched.error);
    return state.browsed;
}

}  // namespace appliance_sim
