// The open medium as both MPEG players keep it in their records (the plug-in's MvPluginData, the
// browser plug-in's PlayerContext), and the steps on it they share.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

#include "brisko/FileInfo.h"
#include "mediaapi/MvPlugin.h"

namespace brisko::core {

// The record's fields of the medium: the URL, the names the host is shown (malloc'd copies that
// media points at), the status reported and the file information.
struct MediumFields {
    char*& url;
    char*& title;
    char*& moreinfo;
    MvMediaInfo& media;
    MvPluginStatus& status;
    MpegFileInfo& fileInfo;
};

// Sets the player's state and reports it, with an error text when one is given.
using StateReport = void (*)(MvPluginCtrl* ctrl, uint32_t state, const char* text);

// Forgets the URL, title, artist and file information of the medium.
void ReleaseMedium(const MediumFields& m);

// The stream's names from its header lines (malloc'd, taken over); the first ones heard stay for
// the medium, since the host may be reading them, and the others are freed.
void KeepStreamNames(const MediumFields& m, MvMediaInfo& heard);

// Connects to the network stream at m.url, keeping the names its header lines give. The socket
// and the Content-Length go into sock and bodyLength under fileMutex (shut at once when a stop
// came while connecting), and the media information is reported. False when it cannot connect,
// with the error text in error unless a stop came.
bool ConnectStream(MvPluginCtrl* ctrl, const MediumFields& m, const std::atomic<bool>& stop, pthread_mutex_t& fileMutex,
                   int& sock, long long& bodyLength, std::string& error);

// Closes the medium's source under fileMutex: the file (left null) and the socket (left -1).
void CloseFileAndSocket(pthread_mutex_t& fileMutex, std::FILE*& fp, int& sock);

// The end of an open: no window title, position 0, and MV_OPENING then MV_STOPPED reported.
void ReportOpened(MvPluginCtrl* ctrl, const MediumFields& m, StateReport report);

// Closing: the player stopped, the medium released and MV_CLOSED reported. 0.
int CloseMedium(MvPluginCtrl* ctrl, const MediumFields& m, int (*stop)(MvPluginCtrl*), StateReport report);

}  // namespace brisko::core
