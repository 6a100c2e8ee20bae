#include "config/config_session.h"

#include "config/board_identity.h"
#include "config/board_settings.h"
#include "config/permission_hint.h"
#include "config/self_test.h"
#include "config/setting_items.h"

#include <string>

namespace kestro {

std::size_t ConfigSession::featureLength() const {
    return link_.deviceCapabilities.FeatureReportByteLength;
}

void ConfigSession::writeSetting(std::uint8_t address, std::uint8_t value,
                                 const std::string& setting, const std::string& valueText) {
    if (!mayWrite())
        return;
    const bool accepted = writeBoardSetting(link_.platform(), link_.featureHandle, featureLength(),
                                            address, value, &link_.lastResult);
    status.settingWritten(setting, valueText, accepted);
}

void ConfigSession::Enc_Click(int n) {
    if (n < 1 || n > kEncoders)
        return;
    const int index = view_.selectedIndex(encControl(n));
    writeSetting(encoderModeAddress(n), encodeEncoderMode(index), "encoder " + std::to_string(n),
                 encoderModeItem(index));
}

void ConfigSession::Delay_Click() {
    const int index = view_.selectedIndex(Control::Delay);
    writeSetting(ADDR_PULSE_WIDTH, encodePulseWidth(index), "pulse width", pulseWidthItem(index));
}

void ConfigSession::RotStart_Click() {
    const int index = view_.selectedIndex(Control::RotStart);
    // An empty list has nothing the user could have chosen.
    if (index < 0)
        return;
    writeSetting(ADDR_ROTARY_START, encodeRotaryStart(index), "rotary switches starting position",
                 rotaryStartItem(index));
}

void ConfigSession::RotaryPulse_Click() {
    const int state = view_.rotaryPulse();
    writeSetting(ADDR_ROTARY_PULSES, encodeRotaryPulses(state), "rotary switch button pulses",
                 state ? "on" : "off");
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

std::optional<BoardVersion> ConfigSession::showIdentity() {
    const BoardIdentity identity =
        readBoardIdentity(link_.platform(), link_.readHandle, link_.deviceAttributes.VersionNumber,
                          &link_.lastResult);
    if (identity.manufacturer)
        view_.setCaption(Caption::lblManuf, " " + *identity.manufacturer);
    if (identity.version)
        view_.setCaption(Caption::lblVersion, " " + versionText(*identity.version));
    if (identity.product)
        view_.setCaption(Caption::lblProduct, " " + *identity.product);
    // The serial number is asked as the board expects; the list shows it.
    status.boardOpened({identity.product.value_or(""), link_.openSerial,
                        identity.version ? versionText(*identity.version) : ""});
    return identity.version;
}

void ConfigSession::fillLists() {
    for (int n = 1; n <= kEncoders; ++n) {
        view_.addListItem(encControl(n), 0, encoderModeItem(0));
        view_.addListItem(encControl(n), 1, encoderModeItem(1));
        view_.selectListItem(encControl(n), 0);
        view_.setEnabled(encControl(n), true);
    }
    view_.setEnabled(Control::Frame3, true);
    view_.setEnabled(Control::Delay, true);
    view_.setEnabled(Control::Label1, true);
    for (int n = 1; n <= kEncoders; ++n)
        view_.setEnabled(encLabel(n), true);

    for (int i = 0; i < kPulseWidthItems; ++i)
        view_.addListItem(Control::Delay, i, pulseWidthItem(i));
    view_.selectListItem(Control::Delay, kPulseWidthDefault);

    for (int n = 1; n <= kEncoders; ++n) {
        view_.addListItem(encControl(n), 2, encoderModeItem(2));
        view_.addListItem(encControl(n), 3, encoderModeItem(3));
    }

    for (int i = 0; i < kRotaryStartItems; ++i)
        view_.addListItem(Control::RotStart, i, rotaryStartItem(i));
    view_.selectListItem(Control::RotStart, 0);
}

void ConfigSession::applyVersionGates(const std::optional<BoardVersion>& version) {
    if (admits(version, kRotaryStartGate)) {
        view_.setEnabled(Control::RotStart, true);
        view_.setEnabled(Control::Label22, true);
    }
    if (admits(version, kSelfTestGate)) {
        view_.setEnabled(Control::Selftest, true);
        view_.setEnabled(Control::TestResult, true);
    }
}

void ConfigSession::showSettings(const BoardSettings& settings) {
    if (settings.generalRead) {
        view_.selectListItem(Control::Delay, settings.pulseWidth);
        view_.selectListItem(Control::RotStart, settings.rotaryStart);
        view_.setRotaryPulse(*settings.rotaryPulses);
    }
    if (settings.encodersRead) {
        for (int n = 1; n <= kEncoders; ++n)
            view_.selectListItem(encControl(n), settings.encoderModes[n - 1]);
    }
}

void ConfigSession::readBack() {
    view_.setText1("");
    const BoardSettings settings = readBoardSettings(link_.platform(), link_.featureHandle,
                                                     featureLength(), &link_.lastResult);
    showSettings(settings);
    if (!settings.generalRead && !settings.encodersRead)
        status.settingsUnanswered();
}

void ConfigSession::reportNoBoard() {
    if (link_.refusedBoard)
        status.accessRefused(permissionHintText(*link_.refusedBoard));
    else
        status.noBoardFound();
}

void ConfigSession::RefreshDeviceView() {
    settingsLoaded = false;
    resetView();
    status.boardsAttached(link_.boardsListed);
    if (!link_.deviceDetected) {
        reportNoBoard();
        return;
    }

    const std::optional<BoardVersion> version = showIdentity();
    view_.setEnabled(Control::Frame1, true);

    // A board that cannot carry a request gets none, and nothing to change.
    if (featureLength() < kMinFeatureLength)
        return;

    fillLists();
    applyVersionGates(version);
    readBack();
    settingsLoaded = true;
}

void ConfigSession::Selftest_Click() {
    if (!link_.deviceDetected)
        return;
    const std::optional<SelfTestReply> reply =
        runSelfTest(link_.platform(), link_.featureHandle, featureLength(), &link_.lastResult);
    if (!reply)
        return;
    view_.setCaption(Caption::TestResult, selfTestCaption(*reply));
    view_.setText1(selfTestBytes(*reply));
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
