#include "automation/Registry.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "vb/Dictionary.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "vb/Strings.h"

namespace automation {

namespace {

constexpr std::string_view kDictionaryProgId = "Scripting.Dictionary";

struct Registry {
    std::mutex lock;
    std::unordered_map<std::string, Factory> factories;  // by lower-case name

    Registry() {
        factories.emplace(vb::LCase(kDictionaryProgId), [] { return std::make_shared<vb::Dictionary>(); });
    }
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

void registerClass(std::string_view progId, Factory factory) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.factories[vb::LCase(progId)] = std::move(factory);
}

void unregisterClass(std::string_view progId) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.factories.erase(vb::LCase(progId));
}

bool isRegistered(std::string_view progId) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.factories.count(vb::LCase(progId)) != 0;
}

vb::ObjectRef CreateObject(std::string_view progId) {
    Factory factory;
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> guard(r.lock);
        auto it = r.factories.find(vb::LCase(progId));
        if (it != r.factories.end()) factory = it->second;
    }
    vb::ObjectRef object = factory ? factory() : nullptr;
    if (!object) vb::raise(vb::errors::CannotCreateObject);
    return object;
}

}  // namespace automation
