#include "callerid/Phonebook.h"

namespace zephra {

// The index and its sources come with the caller-ID module.
void BuildPhonebook(PluginState&) {}

}  // namespace zephra
