// Stand-in for the infrared remote-control reader: "wendrel PORT PID CHID". Each line read from
// PORT (a serial port, a pseudo-terminal, or a script file) is one key: a command name of the
// media plug-in interface without its "CMD_PLUGIN_" prefix (VOL_UP, STOP, ENTER, ...) or its
// number, optionally followed by a keypad number ("ENTER 3"). "wait MS" pauses; '#' starts a
// comment. Each key goes as a remote-control message to channel CHID of process PID, and the
// reader waits for the player's reply. It ends at the end of PORT, on SIGTERM, or when the
// channel is gone.
#include "OwnUsage.h"
#include "mediaapi/MvPlugin.h"
#include "photon/PtChannel.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

struct Name {
    const char* name;
    uint32_t code;
};

// The keys a remote control has.
constexpr Name kKeys[] = {
    {"STOP", CMD_PLUGIN_STOP},
    {"EJECT_DISK", CMD_PLUGIN_EJECT_DISK},
    {"SELECT", CMD_PLUGIN_SELECT},
    {"SELECT_UP", CMD_PLUGIN_SELECT_UP},
    {"SELECT_DOWN", CMD_PLUGIN_SELECT_DOWN},
    {"SELECT_RIGHT", CMD_PLUGIN_SELECT_RIGHT},
    {"SELECT_LEFT", CMD_PLUGIN_SELECT_LEFT},
    {"SELECT_AUDIO", CMD_PLUGIN_SELECT_AUDIO},
    {"SELECT_SUBTITLE", CMD_PLUGIN_SELECT_SUBTITLE},
    {"MENU", CMD_PLUGIN_MENU},
    {"ANGLE", CMD_PLUGIN_ANGLE},
    {"MUTE", CMD_PLUGIN_MUTE},
    {"STEP", CMD_PLUGIN_STEP},
    {"SCAN_BACK", CMD_PLUGIN_SCAN_BACK},
    {"SCAN_FORWARD", CMD_PLUGIN_SCAN_FORWARD},
    {"SLOW_MOTION", CMD_PLUGIN_SLOW_MOTION},
    {"POWER", CMD_PLUGIN_POWER},
    {"PROGRAM", CMD_PLUGIN_PROGRAM},
    {"TITLE", CMD_PLUGIN_TITLE},
    {"OSD", CMD_PLUGIN_OSD},
    {"LAST_CHAPTER", CMD_PLUGIN_LAST_CHAPTER},
    {"NEXT_CHAPTER", CMD_PLUGIN_NEXT_CHAPTER},
    {"VOL_UP", CMD_PLUGIN_VOL_UP},
    {"VOL_DOWN", CMD_PLUGIN_VOL_DOWN},
    {"L_R", CMD_PLUGIN_L_R},
    {"VGA_TV", CMD_PLUGIN_VGA_TV},
    {"ENTER", CMD_PLUGIN_ENTER},
    {"PLAY_PAUSE", CMD_PLUGIN_PLAY_PAUSE},
};

bool ParseKey(const char* word, uint32_t* code) {
    char* end = nullptr;
    unsigned long n = strtoul(word, &end, 10);
    if (end != word && *end == '\0') {
        *code = static_cast<uint32_t>(n);
        return n <= 0xFFFFFFFFul;
    }
    const char* name = strncmp(word, "CMD_PLUGIN_", 11) == 0 ? word + 11 : word;
    for (const Name& k : kKeys) {
        if (strcmp(k.name, name) == 0) {
            *code = k.code;
            return true;
        }
    }
    return false;
}

// A serial port or pseudo-terminal reads whole lines, without echo.
void RawLines(int fd) {
    termios t;
    if (tcgetattr(fd, &t) != 0) return;
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(fd, TCSANOW, &t);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qnx::AsksForHelp(argc, argv)) return qnx::ShowUsage(kOwnUsage);
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] == '-' && argv[i][1])
            return qnx::UsageError(kOwnUsage, std::string("unknown option ") + argv[i], 2);
    if (argc != 4) return qnx::UsageError(kOwnUsage, "a port, a pid and a chid are needed", 2);
    const int fd = open(argv[1], O_RDONLY | O_NOCTTY);
    if (fd < 0) {
        fprintf(stderr, "wendrel: %s: %s\n", argv[1], strerror(errno));
        return 1;
    }
    RawLines(fd);
    FILE* port = fdopen(fd, "r");
    const int coid = photon::ConnectAttach(0, static_cast<pid_t>(atol(argv[2])), atoi(argv[3]), 0, 0);
    if (coid < 0) {
        fprintf(stderr, "wendrel: no channel %s of process %s\n", argv[3], argv[2]);
        return 1;
    }
    char line[256];
    while (fgets(line, sizeof line, port)) {
        line[strcspn(line, "#\r\n")] = '\0';
        char word[64] = "";
        long number = 0;
        int fields = sscanf(line, "%63s %ld", word, &number);
        if (fields < 1) continue;
        if (strcmp(word, "wait") == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(number));
            continue;
        }
        WendrelMsg msg{};
        if (!ParseKey(word, &msg.CommandType)) {
            fprintf(stderr, "wendrel: unknown key '%s'\n", word);
            continue;
        }
        msg.KeypadNum = fields == 2 ? static_cast<int32_t>(number) : 0;
        if (photon::MsgSend(coid, &msg, sizeof msg, nullptr, 0) < 0 && errno == ESRCH) {
            fprintf(stderr, "wendrel: the player is gone\n");
            return 1;
        }
    }
    return 0;
}
