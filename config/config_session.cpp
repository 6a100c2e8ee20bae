#include "config/config_session.h"

#include "config/protocol.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kestro {

namespace {

constexpr const char* kEncoderItems[] = {"off", "1:1", "1:2", "1:4"};
constexpr int kDelayItems = 25;
constexpr int kDelayDefault = 5; // "48 ms"
constexpr int kLastRotaryStart = 33;
constexpr int kRotStartGate = 0x0102;
constexpr int kSelftestGate = 0x0103;

std::string versionCaption(int major, int minor) {
    char text[32];
    std::snprintf(text, sizeof text, " %d.%X", major, static_cast<unsigned>(minor));
    return text;
}

// True when major.minor is at least the version number gate (0xMMmm).
bool admits(int major, int minor, int gate) {
    const int gateMajor = gate >> 8;
    return major > gateMajor || (major == gateMajor && minor >= (gate & 0xFF));
}

} // namespace

std::size_t ConfigSession::featureLength() const {
    return link_.deviceCapabilities.FeatureReportByteLength;
}

void ConfigSession::writeSetting(std::uint8_t address, std::uint8_t value) {
    if (!mayWrite())
        return;
    const Frame frame = writeSettingFrame(featureLength(), address, value);
    if (frame.empty())
        return;
    link_.lastResult = link_.platform().setFeature(link_.featureHandle, frame.data(),
                                                   static_cast<std::uint32_t>(frame.size()));
}

void ConfigSession::Enc_Click(int n) {
    if (n < 1 || n > kEncoders)
        return;
    writeSetting(encoderModeAddress(n), encodeEncoderMode(view_.selectedIndex(encControl(n))));
}

void ConfigSession::Delay_Click() {
    writeSetting(ADDR_PULSE_WIDTH, encodePulseWidth(view_.selectedIndex(Control::Delay)));
}

void ConfigSession::RotStart_Click() {
    const int index = view_.selectedIndex(Control::RotStart);
    // An empty list has nothing the user could have chosen.
    if (index < 0)
        return;
    writeSetting(ADDR_ROTARY_START, encodeRotaryStart(index));
}

void ConfigSession::RotaryPulse_Click() {
    writeSetting(ADDR_ROTARY_PULSES, encodeRotaryPulses(view_.rotaryPulse()));
}

void ConfigSession::resetView() {
    view_.setCaption(Caption::lblManuf, "");
    view_.setCaption(Caption::lblProduct, "");
    view_.setCaption(Caption::lblVersion, "");
    for (int n = 1; n <= kEncoders; ++n) {
        view_.clearList(encControl(n));
        view_.setEnabled(encControl(n), false);
    }
    view_.setEnabled(Control::Frame3, false);
    view_.setEnabled(Control::Delay, false);
    view_.clearList(Control::Delay);
    view_.setEnabled(Control::Label1, false);
    for (int n = 1; n <= kEncoders; ++n)
        view_.setEnabled(encLabel(n), false);
    view_.setEnabled(Control::Label22, false);
    view_.setEnabled(Control::RotStart, false);
    view_.clearList(Control::RotStart);
    view_.setEnabled(Control::Selftest, false);
    view_.setCaption(Caption::TestResult, "");
}

bool ConfigSession::showIdentity(int& major, int& minor) {
    DeviceStringBuffer buffer;
    HidPlatform& platform = link_.platform();
    bool versionKnown = false;

    const bool manufacturer = platform.getManufacturerString(link_.readHandle, buffer.data(),
                                                             DeviceStringBuffer::kOffered);
    link_.lastResult = manufacturer;
    if (manufacturer) {
        view_.setCaption(Caption::lblManuf, " " + decodeDeviceString(buffer));
        const int v = static_cast<std::int16_t>(link_.deviceAttributes.VersionNumber);
        major = v >> 8; // rounds towards minus infinity, as the caption wants
        minor = v - 256 * major;
        versionKnown = true;
        view_.setCaption(Caption::lblVersion, versionCaption(major, minor));
    }

    const bool product =
        platform.getProductString(link_.readHandle, buffer.data(), DeviceStringBuffer::kOffered);
    link_.lastResult = product;
    if (product)
        view_.setCaption(Caption::lblProduct, " " + decodeDeviceString(buffer));

    // Asked as the board expects; the serial numbers are shown by the list.
    link_.lastResult = platform.getSerialNumberString(link_.readHandle, buffer.data(),
                                                      DeviceStringBuffer::kOffered);
    return versionKnown;
}

void ConfigSession::fillLists() {
    for (int n = 1; n <= kEncoders; ++n) {
        view_.addListItem(encControl(n), 0, kEncoderItems[0]);
        view_.addListItem(encControl(n), 1, kEncoderItems[1]);
        view_.selectListItem(encControl(n), 0);
        view_.setEnabled(encControl(n), true);
    }
    view_.setEnabled(Control::Frame3, true);
    view_.setEnabled(Control::Delay, true);
    view_.setEnabled(Control::Label1, true);
    for (int n = 1; n <= kEncoders; ++n)
        view_.setEnabled(encLabel(n), true);

    for (int i = 0; i < kDelayItems; ++i)
        view_.addListItem(Control::Delay, i, std::to_string((i + 1) * 8) + " ms");
    view_.selectListItem(Control::Delay, kDelayDefault);

    for (int n = 1; n <= kEncoders; ++n) {
        view_.addListItem(encControl(n), 2, kEncoderItems[2]);
        view_.addListItem(encControl(n), 3, kEncoderItems[3]);
    }

    view_.addListItem(Control::RotStart, 0, "Auto");
    for (int number = 2; number <= kLastRotaryStart; ++number)
        view_.addListItem(Control::RotStart, number - 1, std::to_string(number));
    view_.selectListItem(Control::RotStart, 0);
}

void ConfigSession::applyVersionGates(int major, int minor) {
    if (admits(major, minor, kRotStartGate)) {
        view_.setEnabled(Control::RotStart, true);
        view_.setEnabled(Control::Label22, true);
    }
    if (admits(major, minor, kSelftestGate)) {
        view_.setEnabled(Control::Selftest, true);
        view_.setEnabled(Control::TestResult, true);
    }
}

void ConfigSession::applyReply(const std::uint8_t* reply, std::size_t length) {
    if (const auto general = parseGeneralBlock(reply, length)) {
        if (general->delayIndex)
            view_.selectListItem(Control::Delay, *general->delayIndex);
        if (general->rotStartIndex)
            view_.selectListItem(Control::RotStart, *general->rotStartIndex);
        view_.setRotaryPulse(general->rotaryPulse);
    }
    if (const auto modes = parseEncoderBlock(reply, length)) {
        for (int n = 1; n <= kEncoders; ++n)
            view_.selectListItem(encControl(n), (*modes)[n - 1]);
    }
}

void ConfigSession::readBack() {
    HidPlatform& platform = link_.platform();
    const std::size_t length = featureLength();
    const Frame request = readSettingsFrame(length);
    link_.lastResult = platform.setFeature(link_.featureHandle, request.data(),
                                           static_cast<std::uint32_t>(request.size()));
    view_.setText1("");

    // One buffer for all eight reads, never cleared between them.
    std::vector<std::uint8_t> reply(length, 0);
    for (int read = 0; read < kReadbackReads; ++read) {
        const bool ok = platform.getFeature(link_.featureHandle, reply.data(),
                                            static_cast<std::uint32_t>(reply.size()));
        link_.lastResult = ok;
        if (ok)
            applyReply(reply.data(), reply.size());
    }
}

void ConfigSession::RefreshDeviceView() {
    settingsLoaded = false;
    resetView();
    if (!link_.deviceDetected)
        return;

    int major = 0;
    int minor = 0;
    if (!showIdentity(major, minor))
        major = minor = 0;
    view_.setEnabled(Control::Frame1, true);

    // A board that cannot carry a request gets none, and nothing to change.
    if (featureLength() < kMinFeatureLength)
        return;

    fillLists();
    applyVersionGates(major, minor);
    readBack();
    settingsLoaded = true;
}

void ConfigSession::Selftest_Click() {
    if (!link_.deviceDetected)
        return;
    const std::size_t length = featureLength();
    const Frame request = selfTestFrame(length);
    if (request.empty())
        return;
    HidPlatform& platform = link_.platform();
    const bool sent = platform.setFeature(link_.featureHandle, request.data(),
                                          static_cast<std::uint32_t>(request.size()));
    link_.lastResult = sent;

    std::vector<std::uint8_t> reply(length, 0);
    const bool answered = platform.getFeature(link_.featureHandle, reply.data(),
                                              static_cast<std::uint32_t>(reply.size()));
    link_.lastResult = answered;

    // Without an answer the buffer holds only its zeros, which would read as
    // a pass.
    if (!sent || !answered)
        view_.setCaption(Caption::TestResult, "No reply");
    else if (reply[1] == 0)
        view_.setCaption(Caption::TestResult, "Passed");
    else
        view_.setCaption(Caption::TestResult, "Failed on B" + std::to_string(reply[1]));
    view_.setText1(std::to_string(reply[0]) + " " + std::to_string(reply[1]));
}

void ConfigSession::SerNo_Click() {
    if (!link_.serialListReady)
        return;
    view_.setTimerEnabled(false);
    reconnectPending = true;
    if (link_.deviceDetected) {
        link_.deviceDetected = false;
        link_.CloseBoard();
        view_.setTimerInterval(kLostIntervalMs);
        settingsLoaded = false;
    }
    settingsLoaded = false;
    link_.deviceDetected = link_.FindTheHid();
    if (link_.deviceDetected)
        reconnectPending = false;
    RefreshDeviceView();
    view_.setTimerEnabled(true);
}

} // namespace kestro
