#include "frm_main.h"

#include "lamp_grid.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QImageReader>
#include <QPlainTextEdit>
#include <QPushButton>

namespace kestro {

namespace {

QIcon windowIconFromResource() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/16x16/apps/io.kestro.KestroSetup.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/32x32/apps/io.kestro.KestroSetup.png"), QSize(32, 32));
    // Larger sizes come from the drawing, where the system can render it.
    if (QImageReader::supportedImageFormats().contains("svg"))
        icon.addFile(QStringLiteral(":/icons/scalable/apps/io.kestro.KestroSetup.svg"));
    return icon;
}

} // namespace

frmMain::frmMain(HidPlatform& platform, QWidget* parent)
    : QWidget(parent), link_(platform, serNoList_), session_(link_, *this) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kestro - Ver 1.10"));
    setWindowIcon(windowIconFromResource());
    scale_ = TwipScale(logicalDpiY());
    timer_.setObjectName(QStringLiteral("Timer"));
    timer_.setInterval(kPollIntervalMs);
    buildControls();
    connectHandlers();
}

frmMain::~frmMain() {
    // A window destroyed without being closed still lets go of the board.
    if (loaded_ && !unloaded_)
        Form_Unload();
}

void frmMain::connectHandlers() {
    connect(&timer_, &QTimer::timeout, this, &frmMain::Timer_Timer);
    // A user's pick arrives as activated, once per item chosen and also for
    // the item already shown; the program's own selections raise the same
    // handlers from selectListItem and clearList.
    for (int c = 0; c < static_cast<int>(Control::Count); ++c) {
        const auto control = static_cast<Control>(c);
        if (QComboBox* box = list(control))
            connect(box, &QComboBox::activated, this, [this, control] { listClicked(control); });
    }
    // toggled fires for the program's own setChecked too, as the session expects.
    connect(rotaryPulse_, &QCheckBox::toggled, this, [this] { session_.RotaryPulse_Click(); });
    connect(static_cast<QPushButton*>(controls_[static_cast<int>(Control::Selftest)]),
            &QPushButton::clicked, this, [this] { session_.Selftest_Click(); });
    connect(serNo_, &QComboBox::activated, this, &frmMain::onSerNoSelected);
}

void frmMain::listClicked(Control control) {
    if (control == Control::Delay)
        session_.Delay_Click();
    else if (control == Control::RotStart)
        session_.RotStart_Click();
    else
        session_.Enc_Click(static_cast<int>(control) - static_cast<int>(Control::Enc1) + 1);
}

void frmMain::Form_Load() {
    for (int j = 0; j < 8; ++j)
        bitMask_[static_cast<std::size_t>(j)] = static_cast<std::uint16_t>(1u << j);
    session_.settingsLoaded = false;
    session_.reconnectPending = false;
    link_.serialListReady = false;
    show();
    layOutLamps();
    lastButtonBytes_.fill(kNeverSeen);
    searchForBoard();
    loaded_ = true;
    timer_.start();
}

void frmMain::Form_Unload() {
    timer_.stop();
    link_.serialListReady = false;
    link_.CloseBoard();
    unloaded_ = true;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (loaded_ && !unloaded_)
        Form_Unload();
    event->accept();
}

void frmMain::Timer_Timer() {
    PollDevice();
}

void frmMain::PollDevice() {
    if (link_.deviceDetected) {
        std::array<std::uint8_t, kReadRequestLength + 1> buffer{};
        const ReadResult read = link_.ReadInputReports(buffer.data(), kReadRequestLength);
        if (read.outcome == ReadOutcome::Reports) {
            const auto bytes = newestButtonBytes(buffer.data(), read.count,
                                                 link_.deviceCapabilities.InputReportByteLength);
            if (bytes)
                showButtonBytes(*bytes);
        }
        // An empty queue only means no button moved; the board is still there.
        if (read.outcome != ReadOutcome::Failed && !session_.reconnectPending)
            setPollInterval(kPollIntervalMs);
        else
            loseBoard();
    }
    if (!link_.deviceDetected)
        searchForBoard();
}

void frmMain::showButtonBytes(const ButtonBytes& bytes) {
    text2_->setPlainText(QString());
    for (int i = 0; i < kButtonBytes; ++i) {
        const std::int16_t b = bytes[static_cast<std::size_t>(i)];
        std::int16_t& last = lastButtonBytes_[static_cast<std::size_t>(i)];
        if (b == last)
            continue;
        last = b;
        for (int j = 0; j < 8; ++j) {
            const int mask = bitMask_[static_cast<std::size_t>(j)];
            lampGrid_->setPressed(8 * i + j, (b & mask) == mask);
        }
    }
}

void frmMain::loseBoard() {
    link_.deviceDetected = false;
    link_.CloseBoard();
    setPollInterval(kLostIntervalMs);
    session_.settingsLoaded = false;
}

void frmMain::searchForBoard() {
    session_.settingsLoaded = false;
    link_.Scan_USB_devices();
    link_.deviceDetected = link_.FindTheHid();
    if (link_.deviceDetected)
        session_.reconnectPending = false;
    session_.RefreshDeviceView();
    updatePermissionHint();
}

void frmMain::onSerNoSelected() {
    // Selections made while the scan fills the list are not the user's.
    const bool listReady = link_.serialListReady;
    session_.SerNo_Click();
    if (listReady)
        updatePermissionHint();
}

void frmMain::setPollInterval(int milliseconds) {
    // Setting the interval restarts a running timer; only a change should.
    if (timer_.interval() != milliseconds)
        timer_.setInterval(milliseconds);
}

} // namespace kestro
