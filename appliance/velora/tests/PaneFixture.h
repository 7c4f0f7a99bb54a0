// What the pane tests share: the player's main window on a virtual display with the layer's
// manual clock, the stand-in plug-ins beside the test program, their journal of commands, and
// the error dialog's text.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "player/Velora.h"
#include "photon/PhotonTest.h"

namespace velora::testing {

class PaneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Runs the loop (the plug-in's reports included) until done holds, moving the clock by 10 ms
    // steps; false after 20 seconds of the layer's clock.
    bool RunUntil(const std::function<bool()>& done);
    // The same for what another process brings (the remote-control reader, the mixer): the loop also
    // waits in real time for its messages, however late a busy machine delivers them; false
    // after 20 seconds.
    bool RunUntilFromOutside(const std::function<bool()>& done);
    // The stand-in plug-in's journal since the last call (its lines), and forgetting it.
    std::string Journal(const char* plugin);
    // The text of the error dialog, or "" when none is up; Done closes it.
    std::string ErrorText();
    void CloseError();
    // The selected row of a combo box (1-based, 0 none).
    static int Selected(photon::PtWidget_t* combo);
    std::string Screenshot(photon::PtWidget_t* window, const char* name);
    std::string scratch;
};

}  // namespace velora::testing
