#include "device_link.h"

#include "identity.h"

namespace kestro {

DeviceLink::DeviceLink(HidPlatform& platform, SerialListView& serNo)
    : platform_(platform), serNo_(serNo) {}

void DeviceLink::resetSecurity() {
    handleSecurity.nLength = 12;
    handleSecurity.lpSecurityDescriptor = nullptr;
    handleSecurity.bInheritHandle = -1;
}

void DeviceLink::closeFeatureHandle() {
    if (featureHandle == kNoHandle)
        return;
    lastResult = platform_.close(featureHandle);
    featureHandle = kNoHandle;
}

void DeviceLink::noteRefusal() {
    const OpenFailure failure = platform_.lastOpenFailure();
    if (!failure.accessDenied)
        return;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    if (!platform_.peekIds(devicePath, vendor, product))
        return;
    if (vendor != KESTRO_VENDOR_ID || !isKestroProductId(product))
        return;
    noteRefused(RefusedBoard{devicePath, failure.node, product});
}

void DeviceLink::noteNameRefusal() {
    // Only a board outside the product ranges needs its name; one inside
    // them is a board whatever string 42 says.
    const OpenFailure failure = platform_.lastStringFailure();
    if (failure.accessDenied && !isKestroProductId(deviceAttributes.ProductID))
        noteRefused(RefusedBoard{devicePath, failure.node, deviceAttributes.ProductID});
}

void DeviceLink::noteRefused(RefusedBoard board) {
    refusedBoard = board;
    refusedBoards.push_back(std::move(board));
}

void DeviceLink::forgetRefusals() {
    refusedBoard.reset();
    refusedBoards.clear();
}

bool DeviceLink::isKestroBoard(WalkBuffers& buffers) {
    if (deviceAttributes.VendorID != KESTRO_VENDOR_ID)
        return false;
    // Asked of every interface with our vendor ID, even when the product ID
    // alone would do, so every board sees the same requests.
    const bool named = platform_.getIndexedString(
        featureHandle, kNameStringIndex, buffers.name.data(), DeviceStringBuffer::kOffered);
    lastResult = named;
    if (!named)
        noteNameRefusal();
    // A failed request proves nothing about the name: what the buffer holds
    // then belongs to an earlier interface.
    const bool nameMatches =
        named && nameBeginsWithKestro(buffers.name.data(), buffers.name.bytes.size());
    return nameMatches || isKestroProductId(deviceAttributes.ProductID);
}

DeviceLink::Candidate DeviceLink::examine(HidDeviceSet& set, std::uint32_t index,
                                          WalkBuffers& buffers, std::string& serialText,
                                          const std::string* openPath) {
    if (!set.interfaceAt(index, devicePath)) {
        lastResult = 0;
        return Candidate::End;
    }
    if (openPath && devicePath == *openPath)
        return Candidate::OpenBoard;
    lastResult = 1;
    featureHandle = platform_.open(devicePath, OpenMode::Synchronous, handleSecurity);
    if (featureHandle == kNoHandle)
        noteRefusal();

    deviceAttributes.Size = 12;
    deviceAttributes.VendorID = 0;
    deviceAttributes.ProductID = 0;
    if (featureHandle == kNoHandle || !platform_.getAttributes(featureHandle, deviceAttributes))
        return Candidate::Skip;
    if (!isKestroBoard(buffers))
        return Candidate::Skip;

    const bool serialRead = platform_.getSerialNumberString(featureHandle, buffers.serial.data(),
                                                            DeviceStringBuffer::kOffered);
    lastResult = serialRead;
    if (!serialRead)
        return Candidate::Skip;
    serialText = decodeDeviceString(buffers.serial);
    return Candidate::Board;
}

bool DeviceLink::FindTheHid() {
    bool result = false;
    resetSecurity();
    deviceDetected = false;
    forgetRefusals();

    const std::unique_ptr<HidDeviceSet> set = platform_.presentInterfaces();
    WalkBuffers buffers;
    const std::string wanted = serNo_.text();
    for (std::uint32_t index = 0; set && !deviceDetected; ++index) {
        std::string serialText;
        const Candidate candidate = examine(*set, index, buffers, serialText);
        if (candidate == Candidate::End)
            break;
        if (candidate == Candidate::Board && serialText == wanted) {
            deviceDetected = true;
            break;
        }
        closeFeatureHandle();
    }

    if (deviceDetected) {
        result = true;
        openSerial = wanted;
        forgetRefusals();
        ReadDeviceCapabilities();
        readHandle = platform_.open(devicePath, OpenMode::Overlapped, handleSecurity);
        PrepareOverlappedRead();
    }
    return result;
}

int DeviceLink::listBoards(const std::string* openPath) {
    serialListReady = false;
    serNo_.clear();
    serNo_.setEnabled(false);
    int counter = -1;
    int openIndex = -1;
    resetSecurity();
    forgetRefusals();

    const std::unique_ptr<HidDeviceSet> set = platform_.presentInterfaces();
    WalkBuffers buffers;
    for (std::uint32_t index = 0; set; ++index) {
        std::string serialText;
        const Candidate candidate = examine(*set, index, buffers, serialText, openPath);
        if (candidate == Candidate::End)
            break;
        if (candidate == Candidate::OpenBoard) {
            serNo_.addItem(++counter, openSerial);
            openIndex = counter;
            continue;
        }
        if (candidate == Candidate::Board) {
            ++counter;
            serNo_.addItem(counter, serialText);
            if (!openPath)
                serNo_.select(counter);
        }
        closeFeatureHandle();
    }
    boardsListed = counter + 1;
    return openIndex;
}

void DeviceLink::Scan_USB_devices() {
    listBoards(nullptr);
    if (boardsListed >= 2)
        serNo_.setEnabled(true);
    serialListReady = true;
}

void DeviceLink::ListBoardsWhileOpen() {
    // The walk examines each interface through the fields the opening uses:
    // the open board's are put aside and back.
    const HidHandle openFeature = featureHandle;
    const std::string openPath = devicePath;
    const HidAttributes openAttributes = deviceAttributes;
    featureHandle = kNoHandle;
    int openIndex = listBoards(&openPath);
    featureHandle = openFeature;
    devicePath = openPath;
    deviceAttributes = openAttributes;

    // A board pulled out is the next read's to notice; until then it is
    // still the one shown as open.
    if (openIndex < 0) {
        openIndex = boardsListed++;
        serNo_.addItem(openIndex, openSerial);
    }
    serNo_.select(openIndex);
    if (boardsListed >= 2)
        serNo_.setEnabled(true);
    serialListReady = true;
}

void DeviceLink::ReadDeviceCapabilities() {
    PreparsedData preparsedData = 0;
    const bool obtained = platform_.getPreparsedData(featureHandle, preparsedData);
    lastResult = obtained;
    if (!obtained)
        return;
    lastResult = platform_.getCaps(preparsedData, deviceCapabilities);
    lastResult = platform_.freePreparsedData(preparsedData);
}

void DeviceLink::PrepareOverlappedRead() {
    if (readEvent == 0)
        readEvent = platform_.createEvent(handleSecurity, true, true);
    readOverlapped.Offset = 0;
    readOverlapped.OffsetHigh = 0;
    readOverlapped.hEvent = readEvent;
}

void DeviceLink::CloseBoard() {
    closeFeatureHandle();
    if (readHandle != kNoHandle) {
        lastResult = platform_.close(readHandle);
        readHandle = kNoHandle;
    }
}

ReadResult DeviceLink::ReadInputReports(std::uint8_t* buffer, std::uint32_t length) {
    if (deviceCapabilities.InputReportByteLength > length)
        return readReportsTooLong();
    const ReadResult result =
        platform_.readInputReports(readHandle, buffer, length, readOverlapped);
    lastResult = result.outcome == ReadOutcome::Reports;
    return result;
}

ReadResult DeviceLink::readReportsTooLong() {
    // The caller's buffer cannot take one report, and a read that fails
    // would have the board closed, found and read back on every tick. The
    // reports are read all the same, so that a board that goes is still
    // noticed, and none is handed on: such a board shows no buttons.
    tooLongReports_.resize(deviceCapabilities.InputReportByteLength);
    ReadResult result =
        platform_.readInputReports(readHandle, tooLongReports_.data(),
                                   deviceCapabilities.InputReportByteLength, readOverlapped);
    lastResult = result.outcome == ReadOutcome::Reports;
    if (result.outcome == ReadOutcome::Reports)
        result = {ReadOutcome::NothingQueued, 0};
    return result;
}

} // namespace kestro
