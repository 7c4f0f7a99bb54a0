#include "script/ScriptObject.h"

#include "script/Parser.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "vb/Release.h"

namespace script {

ScriptObject::ScriptObject(ast::ClassPtr cls, ModulePtr module, std::weak_ptr<Engine> engine)
    : fields(static_cast<std::size_t>(cls->fieldCount)),
      cls_(std::move(cls)),
      module_(std::move(module)),
      engine_(std::move(engine)) {}

ModulePtr ScriptObject::module() const {
    ModulePtr m = module_.lock();
    if (!m) vb::raise(vb::errors::ObjectNotSet);
    return m;
}

ScriptObject::~ScriptObject() {
    if (std::shared_ptr<Engine> engine = engine_.lock()) {
        engine->forget(this);
        if (cls_->terminate && !module_.expired()) {
            // A failing Class_Terminate cannot report anywhere: the release goes on.
            try {
                engine->terminate(*this);
            } catch (...) {}
        }
    }
    // A long chain of objects (a linked list) is freed in a loop, not by nested destructors.
    vb::releaseValues(fields);
}

vb::DispId ScriptObject::memberId(std::string_view name) const {
    if (name.empty()) return cls_->defaultMember >= 0 ? vb::kDefaultMember : vb::kUnknownMember;
    auto it = cls_->byName.find(foldName(name));
    if (it == cls_->byName.end() || !cls_->members[static_cast<std::size_t>(it->second)].isPublic)
        return vb::kUnknownMember;
    return it->second + 1;
}

vb::Variant ScriptObject::invoke(vb::DispId id, vb::CallKind kind, vb::Args args) {
    int32_t member = id == vb::kDefaultMember ? cls_->defaultMember : id - 1;
    if (member < 0 || member >= static_cast<int32_t>(cls_->members.size())) vb::raise(vb::errors::NotSupported);
    std::shared_ptr<Engine> engine = engine_.lock();
    if (!engine) vb::raise(vb::errors::NotSupported);
    return engine->invokeMember(*this, member, kind, args);
}

vb::DispId ProcedureReference::memberId(std::string_view name) const {
    return name.empty() ? vb::kDefaultMember : vb::kUnknownMember;
}

vb::Variant ProcedureReference::invoke(vb::DispId id, vb::CallKind, vb::Args args) {
    if (id != vb::kDefaultMember) vb::raise(vb::errors::NotSupported);
    std::shared_ptr<Engine> engine = engine_.lock();
    if (!engine) vb::raise(vb::errors::NotSupported);
    ModulePtr m = module_.lock();
    if (!m) vb::raise(vb::errors::ObjectNotSet);
    return engine->invokeProcedure(m, *procedure_, args);
}

}  // namespace script
