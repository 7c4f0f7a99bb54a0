// The appliance GUI layer: everything an appliance program calls.
#pragma once

#include "photon/Ap.h"
#include "photon/PtApp.h"
#include "photon/PtChannel.h"
#include "photon/PtConnector.h"
#include "photon/PtDialog.h"
#include "photon/PtTypes.h"
#include "photon/PtWidget.h"
#include "photon/PxImage.h"
