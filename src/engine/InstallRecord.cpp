#include "engine/InstallRecord.h"

#include "config/SetupConfig.h"
#include "framework/TextFormat.h"
#include "platform/SystemCalls.h"

#include <algorithm>
#include <cstring>

namespace {

// Longer texts than any name, path or version the program writes come from a hand, not
// from an installation.
constexpr std::size_t kLongestText = 1023;
constexpr std::size_t kMostListEntries = 256;

using Text = std::string InstallRecord::*;
using Flag = bool InstallRecord::*;
using List = std::vector<std::string> InstallRecord::*;

// One value of a record: its name and the member it holds. Exactly one member is set;
// the printer type and the port kind stand as their names.
struct Field {
    const char* name;
    Text text = nullptr;
    Flag flag = nullptr;
    List list = nullptr;
    bool printerType = false;
    bool portKind = false;
    bool required = false;  // an empty text is no record
};

using R = InstallRecord;
const Field kFields[] = {
    {.name = "Model", .text = &R::model, .required = true},
    {.name = "PrinterType", .printerType = true},
    {.name = "Driver", .text = &R::driver, .required = true},
    {.name = "DriverEnvironments", .list = &R::driverEnvironments},
    {.name = "Port", .text = &R::port, .required = true},
    {.name = "PortKind", .portKind = true},
    {.name = "NetworkAddress", .text = &R::networkAddress},
    {.name = "PortCreated", .flag = &R::portCreated},
    {.name = "UsbPortName", .text = &R::usbPortName},
    {.name = "UsbPrinterPort", .text = &R::usbPrinterPort},
    {.name = "SerialSettings", .text = &R::serialSettings},
    {.name = "SerialSettingsBefore", .text = &R::serialSettingsBefore},
    {.name = "PortMonitor", .text = &R::portMonitor},
    {.name = "PortMonitorEnvironments", .list = &R::portMonitorEnvironments},
    {.name = "PortMonitorAdded", .flag = &R::portMonitorAdded},
    {.name = "LanguageMonitor", .text = &R::languageMonitor},
    {.name = "LanguageMonitorEnvironments", .list = &R::languageMonitorEnvironments},
    {.name = "LanguageMonitorAdded", .flag = &R::languageMonitorAdded},
    {.name = "PrintProcessor", .text = &R::printProcessor},
    {.name = "PrintProcessorEnvironments", .list = &R::printProcessorEnvironments},
    {.name = "PrintProcessorAdded", .flag = &R::printProcessorAdded},
    {.name = "DriverFiles", .list = &R::driverFiles},
    {.name = "DefaultPrinter", .flag = &R::defaultPrinter},
    {.name = "SetupVersion", .text = &R::setupVersion, .required = true},
    {.name = "DistributionVersion", .text = &R::distributionVersion, .required = true},
    {.name = "InstalledAt", .text = &R::installedAt, .required = true},
    {.name = "Journal", .text = &R::journal},
};

DWORD TypeOf(const Field& field) {
    if (field.flag != nullptr) return REG_DWORD;
    if (field.list != nullptr) return REG_MULTI_SZ;
    return REG_SZ;
}

const char* TypeName(DWORD type) {
    switch (type) {
        case REG_DWORD: return "REG_DWORD";
        case REG_MULTI_SZ: return "REG_MULTI_SZ";
        default: return "REG_SZ";
    }
}


// A REG_SZ value's text: one terminating zero may follow, no other.
std::string DecodeText(const std::string& data, std::string& text) {
    text = data;
    if (!text.empty() && text.back() == '\0') text.pop_back();
    if (text.find('\0') != std::string::npos) return "holds a zero character";
    if (text.size() > kLongestText) return "is longer than " + std::to_string(kLongestText) + " characters";
    return {};
}

// REG_MULTI_SZ: texts each ended by a zero, the list by one more (an empty list by one or two).
std::string DecodeList(const std::string& data, std::vector<std::string>& list) {
    list.clear();
    std::size_t at = 0;
    while (at < data.size() && data[at] != '\0') {
        const std::size_t end = data.find('\0', at);
        if (end == std::string::npos) return "is not ended by a zero";
        list.push_back(data.substr(at, end - at));
        if (list.back().size() > kLongestText)
            return "holds a text longer than " + std::to_string(kLongestText) + " characters";
        if (list.size() > kMostListEntries) return "holds more than " + std::to_string(kMostListEntries) + " texts";
        at = end + 1;
    }
    return {};
}

template <typename Kind, int Count>
bool KindNamed(const std::string& name, Kind& kind, const char* (*nameOf)(Kind), Kind (*fromNumber)(int)) {
    for (int number = 0; number < Count; ++number) {
        if (name == nameOf(fromNumber(number))) {
            kind = fromNumber(number);
            return true;
        }
    }
    return false;
}

std::string DecodeField(const Field& field, const RegistryValue& value, InstallRecord& record) {
    if (value.type != TypeOf(field)) return std::string("is no ") + TypeName(TypeOf(field));
    if (field.flag != nullptr) {
        DWORD number = 2;
        if (value.data.size() == sizeof number) std::memcpy(&number, value.data.data(), sizeof number);
        if (number > 1) return "is neither 0 nor 1";
        record.*field.flag = number == 1;
        return {};
    }
    if (field.list != nullptr) return DecodeList(value.data, record.*field.list);
    std::string text;
    if (std::string refusal = DecodeText(value.data, text); !refusal.empty()) return refusal;
    if (field.printerType) {
        return KindNamed<PrinterType, kPrinterTypeCount>(text, record.printerType, PrinterTypeName,
                                                          PrinterTypeFromNumber)
                   ? std::string()
                   : "\"" + text + "\" is no printer type";
    }
    if (field.portKind) {
        return KindNamed<PortKind, 4>(text, record.portKind, PortKindName, PortKindFromNumber)
                   ? std::string()
                   : "\"" + text + "\" is no port kind";
    }
    if (field.required && text.empty()) return "is empty";
    record.*field.text = std::move(text);
    return {};
}

std::string RecordPath(const std::string& printer) { return std::string(kRecordsKey) + "\\" + printer; }
std::string IndexPath(const std::string& model, const std::string& port) {
    return std::string(kIndexKey) + "\\" + model + "\\" + port;
}

void Unite(std::vector<std::string>& into, const std::vector<std::string>& from) {
    for (const std::string& item : from)
        if (std::none_of(into.begin(), into.end(), [&](const std::string& known) { return SameText(known, item); }))
            into.push_back(item);
}

// A component the earlier record added stays added, wherever either registered it.
void CarryComponent(const std::string& name, const std::string& earlierName, bool earlierAdded,
                    const std::vector<std::string>& earlierEnvironments, bool& added,
                    std::vector<std::string>& environments) {
    if (name.empty() || !earlierAdded || !SameText(name, earlierName)) return;
    added = true;
    Unite(environments, earlierEnvironments);
}

}  // namespace

bool IsRecordKeyName(const std::string& name) {
    if (name.empty() || name.size() > 255) return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::vector<RegistryValue> EncodeRecord(const InstallRecord& record) {
    std::vector<RegistryValue> values;
    for (const Field& field : kFields) {
        RegistryValue value{field.name, TypeOf(field), {}};
        if (field.flag != nullptr) {
            const DWORD number = record.*field.flag ? 1 : 0;
            value.data.assign(reinterpret_cast<const char*>(&number), sizeof number);
        } else if (field.list != nullptr) {
            for (const std::string& item : record.*field.list) value.data += item + '\0';
            value.data += '\0';
            if (value.data.size() == 1) value.data += '\0';
        } else {
            value.data = field.printerType ? PrinterTypeName(record.printerType)
                         : field.portKind  ? PortKindName(record.portKind)
                                           : record.*field.text;
            value.data += '\0';
        }
        values.push_back(std::move(value));
    }
    return values;
}

std::string DecodeRecord(const std::string& keyName, const std::vector<RegistryValue>& values, InstallRecord& record) {
    if (!IsRecordKeyName(keyName)) return "the name is no printer name";
    InstallRecord decoded;
    decoded.printer = keyName;
    for (const Field& field : kFields) {
        const auto value = std::find_if(values.begin(), values.end(),
                                        [&](const RegistryValue& v) { return SameText(v.name, field.name); });
        if (value == values.end()) return std::string(field.name) + " is missing";
        if (std::string refusal = DecodeField(field, *value, decoded); !refusal.empty())
            return std::string(field.name) + " " + refusal;
    }
    record = std::move(decoded);
    return {};
}

void CarryOwnership(InstallRecord& fresh, const std::vector<InstallRecord>& existing) {
    // The earliest first, so that the serial text from before is the first record's.
    std::vector<const InstallRecord*> earliest;
    for (const InstallRecord& record : existing) earliest.push_back(&record);
    std::stable_sort(earliest.begin(), earliest.end(),
                     [](const InstallRecord* a, const InstallRecord* b) { return a->installedAt < b->installedAt; });
    bool serialCarried = false;
    for (const InstallRecord* earlier : earliest) {
        CarryComponent(fresh.portMonitor, earlier->portMonitor, earlier->portMonitorAdded,
                       earlier->portMonitorEnvironments, fresh.portMonitorAdded, fresh.portMonitorEnvironments);
        CarryComponent(fresh.languageMonitor, earlier->languageMonitor, earlier->languageMonitorAdded,
                       earlier->languageMonitorEnvironments, fresh.languageMonitorAdded,
                       fresh.languageMonitorEnvironments);
        CarryComponent(fresh.printProcessor, earlier->printProcessor, earlier->printProcessorAdded,
                       earlier->printProcessorEnvironments, fresh.printProcessorAdded,
                       fresh.printProcessorEnvironments);
        if (!SameText(fresh.port, earlier->port)) continue;
        if (earlier->portCreated) fresh.portCreated = true;
        if (!earlier->usbPortName.empty() && fresh.usbPortName.empty()) fresh.usbPortName = earlier->usbPortName;
        if (!earlier->usbPrinterPort.empty() && fresh.usbPrinterPort.empty())
            fresh.usbPrinterPort = earlier->usbPrinterPort;
        if (fresh.portKind == PortKind::Serial && earlier->portKind == PortKind::Serial && !serialCarried) {
            fresh.serialSettingsBefore = earlier->serialSettingsBefore;
            serialCarried = true;
        }
    }
}

std::string QueryLine(const InstallRecord& record) {
    return record.printer + "|" + record.model + "|" + record.port + "|" + record.distributionVersion;
}

std::string RecordTime(const SYSTEMTIME& utc) {
    return JoinNumbers("", {{utc.wYear, 4, "-"},
                            {utc.wMonth, 2, "-"},
                            {utc.wDay, 2, " "},
                            {utc.wHour, 2, ":"},
                            {utc.wMinute, 2, ":"},
                            {utc.wSecond, 2, ""}});
}

RecordsRead ReadRecords() {
    RecordsRead read;
    CRegistryKey records;
    if (!records.OpenForReading(HKEY_LOCAL_MACHINE, kRecordsKey)) return read;
    for (const std::string& name : records.SubKeyNames()) {
        CRegistryKey key;
        InstallRecord record;
        std::string refusal = key.OpenForReading(records.Handle(), name.c_str())
                                  ? DecodeRecord(name, key.Values(), record)
                                  : "cannot be opened (error " + std::to_string(key.LastError()) + ")";
        if (refusal.empty()) {
            read.records.push_back(std::move(record));
        } else {
            read.refused.push_back(name + ": " + refusal);
        }
    }
    return read;
}

std::string ReadIndexEntry(const std::string& model, const std::string& port) {
    if (!IsRecordKeyName(model) || !IsRecordKeyName(port)) return {};
    CRegistryKey key;
    char printer[256] = {};
    if (!key.OpenForReading(HKEY_LOCAL_MACHINE, IndexPath(model, port).c_str()) ||
        !key.QueryString("Printer", printer, sizeof printer))
        return {};
    return printer;
}

OperationResult WriteRecord(const InstallRecord& record, bool pointIndex) {
    if (!IsRecordKeyName(record.printer)) return OperationResult::Failed(ERROR_INVALID_NAME);
    const std::string path = RecordPath(record.printer);
    if (!CRegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, path.c_str())) return OperationResult::Failed(ERROR_ACCESS_DENIED);
    CRegistryKey key;
    if (!CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str()) || !key.Open(HKEY_LOCAL_MACHINE, path.c_str()))
        return OperationResult::Failed(key.LastError() != ERROR_SUCCESS ? key.LastError() : ERROR_ACCESS_DENIED);
    for (const RegistryValue& value : EncodeRecord(record)) {
        const LONG status =
            SystemCalls().RegSetValueExA(key.Handle(), value.name.c_str(), 0, value.type,
                                         reinterpret_cast<const BYTE*>(value.data.data()),
                                         static_cast<DWORD>(value.data.size()));
        if (status != ERROR_SUCCESS) {
            key.Close();
            CRegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, path.c_str());
            return OperationResult::Failed(static_cast<DWORD>(status));
        }
    }
    if (!pointIndex) return OperationResult::Ok();
    if (!IsRecordKeyName(record.model) || !IsRecordKeyName(record.port)) return OperationResult::Failed(ERROR_INVALID_NAME);
    const std::string index = IndexPath(record.model, record.port);
    CRegistryKey entry;
    if (!CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, index.c_str()) || !entry.Open(HKEY_LOCAL_MACHINE, index.c_str()) ||
        !entry.SetString("Printer", record.printer.c_str()) ||
        !entry.SetString("DistributionVersion", record.distributionVersion.c_str()))
        return OperationResult::Failed(entry.LastError() != ERROR_SUCCESS ? entry.LastError() : ERROR_ACCESS_DENIED);
    return OperationResult::Ok();
}

bool DeleteRecord(const std::string& printer) {
    return IsRecordKeyName(printer) && CRegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, RecordPath(printer).c_str());
}

bool DeleteIndexEntry(const std::string& model, const std::string& port) {
    if (!IsRecordKeyName(model) || !IsRecordKeyName(port)) return false;
    if (!CRegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, IndexPath(model, port).c_str())) return false;
    const std::string modelPath = std::string(kIndexKey) + "\\" + model;
    CRegistryKey modelKey;
    if (modelKey.OpenForReading(HKEY_LOCAL_MACHINE, modelPath.c_str()) && modelKey.SubKeyNames().empty()) {
        modelKey.Close();
        CRegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, modelPath.c_str());
    }
    return true;
}
