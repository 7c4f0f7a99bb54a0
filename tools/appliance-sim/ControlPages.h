#pragma once
// The appliance's control pages: what each request does to the appliance and what it answers.

#include "ApplianceState.h"
#include "LoopbackFetch.h"

#include <string>
#include <string_view>

namespace appliance_sim {

enum class FollowUp {
    none,
    fetchWav,  // fetch url, then answer (loadWav)
    browse,    // answer now, and load url in the browser (gotoURL)
};

struct PageAnswer {
    unsigned status = 200;
    std::string body;
    std::string outcome;  // for the request log: "ok topled=on", "bad-argument", "not-found"
    FollowUp followUp = FollowUp::none;
    std::string url;
};

// Applies one request ("/led.shtml?t1") to the state and says how to answer.
PageAnswer answerControlPage(ApplianceState& state, std::string_view target);

// Records a finished WAV fetch in the state; returns the outcome for the request log.
std::string recordWavFetch(ApplianceState& state, const std::string& url, const FetchResult& fetched);

// Records a finished page load of the browser; returns the outcome for the log.
std::string recordBrowse(ApplianceState& state, const FetchResult& fetched);

}  // namespace appliance_sim
