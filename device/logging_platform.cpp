#include "logging_platform.h"

#include "hid_log.h"

#include <cstdio>
#include <string>

namespace kestro {

namespace {

std::string handleText(HidHandle handle) {
    return "handle " + std::to_string(handle);
}

void logResult(const std::string& what, bool ok) {
    if (hidLogEnabled())
        hidLog(what + (ok ? " ok" : " failed"));
}

void logReport(const std::string& what, HidHandle handle, bool ok, const std::uint8_t* data,
               std::size_t length) {
    if (!hidLogEnabled())
        return;
    std::string line = what + " " + handleText(handle) + (ok ? " ok" : " failed");
    if (ok)
        line += " [" + std::to_string(length) + "] " + hexBytes(data, length);
    hidLog(line);
}

} // namespace

std::unique_ptr<HidDeviceSet> LoggingHidPlatform::presentInterfaces() {
    return inner_.presentInterfaces();
}

HidHandle LoggingHidPlatform::open(const std::string& path, OpenMode mode,
                                   const SecurityAttributes& security) {
    const HidHandle handle = inner_.open(path, mode, security);
    if (hidLogEnabled()) {
        std::string line =
            "open " + path + (mode == OpenMode::Overlapped ? " (overlapped)" : " (synchronous)");
        if (handle == kNoHandle) {
            const OpenFailure failure = inner_.lastOpenFailure();
            line += failure.accessDenied ? " refused: access denied" : " failed";
        } else {
            line += " -> " + handleText(handle);
        }
        hidLog(line);
    }
    return handle;
}

bool LoggingHidPlatform::close(HidHandle handle) {
    const bool ok = inner_.close(handle);
    logResult("close " + handleText(handle), ok);
    return ok;
}

bool LoggingHidPlatform::getAttributes(HidHandle handle, HidAttributes& attributes) {
    const bool ok = inner_.getAttributes(handle, attributes);
    if (hidLogEnabled()) {
        char ids[64];
        std::snprintf(ids, sizeof ids, " vendor %04x product %04x version %04x",
                      attributes.VendorID, attributes.ProductID, attributes.VersionNumber);
        hidLog("attributes " + handleText(handle) + (ok ? std::string(ids) : " failed"));
    }
    return ok;
}

bool LoggingHidPlatform::getIndexedString(HidHandle handle, std::uint32_t index,
                                          std::uint8_t* buffer, std::uint32_t length) {
    const bool ok = inner_.getIndexedString(handle, index, buffer, length);
    logReport("string " + std::to_string(index), handle, ok, buffer, length);
    return ok;
}

bool LoggingHidPlatform::getSerialNumberString(HidHandle handle, std::uint8_t* buffer,
                                               std::uint32_t length) {
    const bool ok = inner_.getSerialNumberString(handle, buffer, length);
    logReport("serial string", handle, ok, buffer, length);
    return ok;
}

bool LoggingHidPlatform::getManufacturerString(HidHandle handle, std::uint8_t* buffer,
                                               std::uint32_t length) {
    const bool ok = inner_.getManufacturerString(handle, buffer, length);
    logReport("manufacturer string", handle, ok, buffer, length);
    return ok;
}

bool LoggingHidPlatform::getProductString(HidHandle handle, std::uint8_t* buffer,
                                          std::uint32_t length) {
    const bool ok = inner_.getProductString(handle, buffer, length);
    logReport("product string", handle, ok, buffer, length);
    return ok;
}

bool LoggingHidPlatform::getPreparsedData(HidHandle handle, PreparsedData& data) {
    const bool ok = inner_.getPreparsedData(handle, data);
    logResult("preparsed data " + handleText(handle), ok);
    return ok;
}

bool LoggingHidPlatform::getCaps(PreparsedData data, HidCaps& caps) {
    const bool ok = inner_.getCaps(data, caps);
    if (hidLogEnabled())
        hidLog("caps input " + std::to_string(caps.InputReportByteLength) + " output " +
               std::to_string(caps.OutputReportByteLength) + " feature " +
               std::to_string(caps.FeatureReportByteLength) + (ok ? "" : " (failed)"));
    return ok;
}

bool LoggingHidPlatform::freePreparsedData(PreparsedData data) {
    return inner_.freePreparsedData(data);
}

bool LoggingHidPlatform::setFeature(HidHandle handle, const std::uint8_t* buffer,
                                    std::uint32_t length) {
    if (hidLogEnabled())
        hidLog("set feature " + handleText(handle) + " [" + std::to_string(length) + "] " +
               hexBytes(buffer, length));
    const bool ok = inner_.setFeature(handle, buffer, length);
    logResult("set feature " + handleText(handle), ok);
    return ok;
}

bool LoggingHidPlatform::getFeature(HidHandle handle, std::uint8_t* buffer, std::uint32_t length) {
    const bool ok = inner_.getFeature(handle, buffer, length);
    logReport("get feature", handle, ok, buffer, length);
    return ok;
}

ReadResult LoggingHidPlatform::readInputReports(HidHandle handle, std::uint8_t* buffer,
                                                std::uint32_t length, Overlapped& overlapped) {
    const ReadResult result = inner_.readInputReports(handle, buffer, length, overlapped);
    if (hidLogEnabled()) {
        switch (result.outcome) {
        case ReadOutcome::Reports:
            hidLog("input " + handleText(handle) + " [" + std::to_string(result.count) + "] " +
                   hexBytes(buffer, result.count < length ? result.count : length));
            break;
        case ReadOutcome::NothingQueued:
            break; // twenty times a second while idle: not worth a line
        case ReadOutcome::Failed:
            hidLog("input " + handleText(handle) + " failed");
            break;
        }
    }
    return result;
}

EventHandle LoggingHidPlatform::createEvent(const SecurityAttributes& security, bool manualReset,
                                            bool initialState) {
    return inner_.createEvent(security, manualReset, initialState);
}

} // namespace kestro
