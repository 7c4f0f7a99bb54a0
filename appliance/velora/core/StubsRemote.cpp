// The remote control is not built yet: its messages are ignored.
#include "Panes.h"

namespace velora {

void OnRemoteControlMessage(const WendrelMsg*) {}
void TerminateRemoteControl() {}

}  // namespace velora
