#include "core/DeviceClass.h"

namespace zephra {

namespace {

template <auto Field>
auto ReadField(DeviceClass& d) {
    return d.*Field;
}
template <auto Field, class V>
void WriteField(DeviceClass& d, V v) {
    d.*Field = std::move(v);
}

vb::ObjectRef MessageListOf(DeviceClass& d) { return d.MessageList; }
vb::ObjectRef MessageKeyListOf(DeviceClass& d) { return d.MessageKeyList; }

}  // namespace

void DeviceClass::describe(automation::Members<DeviceClass>& m) {
    m.property<&ReadField<&DeviceClass::Sequence>, &WriteField<&DeviceClass::Sequence, int32_t>>("Sequence");
    m.property<&ReadField<&DeviceClass::Tag>, &WriteField<&DeviceClass::Tag, std::string>>("Tag");
    m.property<&ReadField<&DeviceClass::value>, &WriteField<&DeviceClass::value, vb::Variant>>("value");
    m.property<&ReadField<&DeviceClass::Link>, &WriteField<&DeviceClass::Link, std::string>>("Link");
    m.property<&ReadField<&DeviceClass::LastChange>, &WriteField<&DeviceClass::LastChange, vb::Date>>("LastChange");
    m.get<&MessageListOf>("MessageList");
    m.get<&MessageKeyListOf>("MessageKeyList");
}

}  // namespace zephra
