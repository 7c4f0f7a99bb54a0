#include "homeseer/DeviceFile.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "vb/Conversions.h"
#include "windows/IniFile.h"

namespace homeseer {

namespace {

constexpr const char* kListSection = "Devices";
constexpr const char* kDeviceSection = "Device ";
constexpr const char* kX10Section = "X10";

std::optional<double> decimalNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    double d = std::strtod(text.c_str(), &end);
    if (*end != '\0') return std::nullopt;
    return d;
}

std::string serialText(double serial) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10f", serial);
    return text;
}

void write(windows::IniDocument& doc, const std::string& section, const DeviceStore::Saved& d) {
    const Device& dv = *d.device;
    auto set = [&](std::string_view key, std::string_view value) { doc.Set(section, key, EscapeDeviceText(value)); };
    set("Name", dv.Name());
    set("hc", dv.hc());
    set("dc", dv.dc());
    set("misc", std::to_string(dv.misc()));
    set("interface", dv.interfaceName());
    set("iomisc", dv.iomisc());
    set("Location", dv.Location());
    set("location2", dv.location2());
    set("dev_type_string", dv.dev_type_string());
    set("iotype", std::to_string(dv.iotype()));
    set("Values", dv.Values());
    set("buttons", dv.buttons());
    set("string", d.state.text);
    set("status", std::to_string(d.state.status));
    set("value", std::to_string(d.state.value));
    set("lastchange", serialText(d.state.lastChange.serial));
}

// The device of one section; none when a number in it does not read back.
std::optional<DeviceStore::Saved> read(const windows::IniDocument& doc, const std::string& section, int32_t ref) {
    auto get = [&](std::string_view key) { return UnescapeDeviceText(doc.Get(section, key).value_or("")); };
    auto misc = WholeNumberInFile(get("misc"));
    auto iotype = WholeNumberInFile(get("iotype"));
    auto status = WholeNumberInFile(get("status"));
    auto value = WholeNumberInFile(get("value"));
    auto lastChange = decimalNumber(get("lastchange"));
    if (!misc || !iotype || !status || !value || !lastChange || !vb::isValidDateSerial(*lastChange))
        return std::nullopt;
    auto device = std::make_shared<Device>(ref, get("Name"));
    device->setHc(get("hc"));
    device->setDc(get("dc"));
    device->setMisc(*misc);
    device->setInterfaceName(get("interface"));
    device->setIomisc(get("iomisc"));
    device->setLocation(get("Location"));
    device->setLocation2(get("location2"));
    device->setDevTypeString(get("dev_type_string"));
    device->setIotype(*iotype);
    device->setValues(get("Values"));
    device->setButtons(get("buttons"));
    return DeviceStore::Saved{ref, device, {get("string"), *status, *value, vb::Date{*lastChange}}};
}

std::string x10Code(X10Status::Address a) { return std::string(1, a.house) + std::to_string(a.unit); }

// One X10 state of the file ("3,46000.5"); none when it does not read back as a state
// the host gives a switched code.
std::optional<X10Status::Known> readX10(const std::string& code, const std::string& text) {
    auto address = X10Status::parse(code);
    const std::size_t comma = text.find(',');
    if (!address || comma == std::string::npos) return std::nullopt;
    auto status = WholeNumberInFile(std::string_view(text).substr(0, comma));
    auto lastChange = decimalNumber(text.substr(comma + 1));
    if (!status || (*status != kStatusOn && *status != kStatusOff && *status != kStatusDim)) return std::nullopt;
    if (!lastChange || !vb::isValidDateSerial(*lastChange)) return std::nullopt;
    return X10Status::Known{*address, *status, vb::Date{*lastChange}};
}

}  // namespace

std::optional<int32_t> WholeNumberInFile(std::string_view text) {
    int32_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return n;
}

std::string EscapeDeviceText(std::string_view text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (c == '\\') out += "\\\\";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (u < 0x20 || u == 0x7f) out += std::string("\\x") + hex[u >> 4] + hex[u & 15];
        else out += c;
    }
    return out;
}

std::string UnescapeDeviceText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        if (next == 'r') out += '\r';
        else if (next == 'n') out += '\n';
        else if (next == 'x' && i + 2 < text.size()) {
            unsigned value = 0;
            auto [end, ec] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
            if (ec == std::errc() && end == text.data() + i + 3) {
                out += static_cast<char>(value);
                i += 2;
            } else {
                out += next;
            }
        } else {
            out += next;
        }
    }
    return out;
}

void SaveDevices(const DeviceStore& store, const std::filesystem::path& file, const X10Status* x10) {
    windows::IniDocument doc;
    std::vector<DeviceStore::Saved> devices = store.all();
    for (const DeviceStore::Saved& d : devices) doc.Set(kListSection, std::to_string(d.reference), "");
    for (const DeviceStore::Saved& d : devices) write(doc, kDeviceSection + std::to_string(d.reference), d);
    if (x10)
        for (const X10Status::Known& k : x10->known())
            doc.Set(kX10Section, x10Code(k.address), std::to_string(k.status) + "," + serialText(k.lastChange.serial));
    windows::WriteIniFile(file, doc);
}

namespace {

// The entries of one kind that could not be read back: the first few named, the rest counted in
// one note, so that a damaged file does not flood the log.
class UnreadNotes {
public:
    static constexpr std::size_t kNamed = 5;
    UnreadNotes(std::vector<std::string>& notes, std::string one, std::string many)
        : notes_(notes), one_(std::move(one)), many_(std::move(many)) {}

    void Add(const std::string& name) {
        if (++count_ <= kNamed) notes_.push_back(one_ + " " + name + " could not be read back");
    }
    // The count of those not named.
    void Finish() {
        if (count_ > kNamed)
            notes_.push_back("and " + std::to_string(count_ - kNamed) + " more " + many_ + " could not be read back");
    }

private:
    std::vector<std::string>& notes_;
    std::string one_;
    std::string many_;
    std::size_t count_ = 0;
};

}  // namespace

std::vector<std::string> LoadDevices(DeviceStore& store, const std::filesystem::path& file, X10Status* x10) {
    std::vector<std::string> notes;
    windows::IniDocument doc = windows::ReadIniFile(file);
    UnreadNotes devices(notes, "device", "devices");
    for (const auto& [key, unused] : doc.Section(kListSection)) {
        std::optional<int32_t> ref = WholeNumberInFile(key);
        std::optional<DeviceStore::Saved> saved;
        if (ref) saved = read(doc, kDeviceSection + key, *ref);
        if (!saved || !store.restore(std::move(*saved))) devices.Add(key);
    }
    devices.Finish();
    if (!x10) return notes;
    UnreadNotes states(notes, "X10 state", "X10 states");
    for (const auto& [code, text] : doc.Section(kX10Section)) {
        if (std::optional<X10Status::Known> known = readX10(code, text)) x10->restore(*known);
        else states.Add(code);
    }
    states.Finish();
    return notes;
}

}  // namespace homeseer
