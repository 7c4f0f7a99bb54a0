#include "core/DeviceClass.h"

namespace zephra {

namespace {

template <auto Field>
auto read(DeviceClass& d) {
    return d.*Field;
}
template <auto Field, class V>
void write(DeviceClass& d, V v) {
    d.*Field = std::move(v);
}

vb::ObjectRef messageList(DeviceClass& d) { return d.MessageList; }
vb::ObjectRef messageKeyList(DeviceClass& d) { return d.MessageKeyList; }

}  // namespace

void DeviceClass::describe(automation::Members<DeviceClass>& m) {
    m.property<&read<&DeviceClass::Sequence>, &write<&DeviceClass::Sequence, int32_t>>("Sequence");
    m.property<&read<&DeviceClass::Tag>, &write<&DeviceClass::Tag, std::string>>("Tag");
    m.property<&read<&DeviceClass::value>, &write<&DeviceClass::value, vb::Variant>>("value");
    m.property<&read<&DeviceClass::Link>, &write<&DeviceClass::Link, std::string>>("Link");
    m.property<&read<&DeviceClass::LastChange>, &write<&DeviceClass::LastChange, vb::Date>>("LastChange");
    m.get<&messageList>("MessageList");
    m.get<&messageKeyList>("MessageKeyList");
}

}  // namespace zephra
