#pragma once
// An object of a class defined in a script (`New Name`): its variables, and its members
// reached by name like any other object's. Class_Terminate runs when the last reference goes.

#include <memory>
#include <vector>

#include "script/Ast.h"
#include "script/Engine.h"
#include "vb/Object.h"

namespace script {

class ScriptObject : public vb::Object {
public:
    ScriptObject(ast::ClassPtr cls, ModulePtr module, std::weak_ptr<Engine> engine);
    ~ScriptObject() override;

    vb::DispId memberId(std::string_view name) const override;
    vb::Variant invoke(vb::DispId id, vb::CallKind kind, vb::Args args) override;
    std::string_view typeName() const override { return cls_->name; }
    const void* classKey() const noexcept override { return cls_.get(); }

    const ast::ClassDef& cls() const { return *cls_; }
    // The module the class was defined in; error 91 once it is gone (the control was reset).
    ModulePtr module() const;
    std::vector<vb::Variant> fields;

private:
    ast::ClassPtr cls_;
    // Weak: the module's variables hold the object, so a strong link would keep both forever.
    std::weak_ptr<ModuleData> module_;
    std::weak_ptr<Engine> engine_;
};

// What GetRef answers: calling its default member calls the procedure.
class ProcedureReference : public vb::Object {
public:
    ProcedureReference(ast::ProcedurePtr p, ModulePtr module, std::weak_ptr<Engine> engine)
        : procedure_(std::move(p)), module_(std::move(module)), engine_(std::move(engine)) {}

    vb::DispId memberId(std::string_view name) const override;
    vb::Variant invoke(vb::DispId id, vb::CallKind kind, vb::Args args) override;
    std::string_view typeName() const override { return "Object"; }

private:
    ast::ProcedurePtr procedure_;
    std::weak_ptr<ModuleData> module_;
    std::weak_ptr<Engine> engine_;
};

}  // namespace script
