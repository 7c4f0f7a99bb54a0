// Shared set-up of the GUI layer's tests: a display, the manual clock, the test module and a
// log of the callbacks it raised.
#pragma once

#include "photon/Photon.h"
#include "photon/PhotonTest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace photon::testing {

struct Seen {
    std::string widget;
    unsigned long reason;
    unsigned long subtype;
    unsigned long event;
    int value;  // list row, slider position or numeric value
};

std::vector<Seen>& Log();
std::string Reasons();  // "PlayButton:arm PlayButton:disarm ..."
int cbRecord(PtWidget_t* widget, void* data, PtCallbackInfo_t* info);
extern const ApCallbackName_t kCallbacks[];

class PhotonTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    PtWidget_t* OpenTestWindow();
    PtWidget_t* window = nullptr;
};

}  // namespace photon::testing
