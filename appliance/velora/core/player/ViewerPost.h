#pragma once
// Plug-ins report from their own threads. The callback the host gives them copies the report
// and posts it to the GUI loop, where the kind's viewer callback handles it; no lock of the GUI
// library is taken on a plug-in's thread, so a command that joins a plug-in thread never waits
// for the loop that sent it.

#include "player/Velora.h"

namespace velora {

// The callback in every control record: copies and posts.
void HostViewerCallback(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status);

// Reports are delivered only for records known to be alive.
void RegisterPluginRecord(HostPluginCtrl* ctrl);
// Forgets the record and drops the reports still queued for it.
void ForgetPluginRecord(HostPluginCtrl* ctrl);

// Handles every queued report now (on the GUI loop's thread).
void DeliverPostedReports();
// Waits at most ms for a report to be posted.
void WaitForReports(unsigned ms);

}  // namespace velora
