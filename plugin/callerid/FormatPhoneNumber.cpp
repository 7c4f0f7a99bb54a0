#include "callerid/FormatPhoneNumber.h"

namespace zephra {

std::string FormatPhoneNumber(const std::string& text) {
    switch (text.size()) {
    case 11: return text.substr(0, 4) + " " + text.substr(4, 3) + " " + text.substr(7, 4);
    case 10:
        if (text[0] == '*') return text;
        return "(" + text.substr(0, 3) + ") " + text.substr(3, 3) + "-" + text.substr(6, 4);
    case 7: return text.substr(0, 3) + "-" + text.substr(3, 4);
    default: return text;
    }
}

}  // namespace zephra
