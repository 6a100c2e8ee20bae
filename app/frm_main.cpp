#include "frm_main.h"

#include "hotplug_watch.h"
#include "kestro_version.h"
#include "lamp_grid.h"
#include "settings_file_actions.h"
#include "status_line.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QImageReader>
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
    : QWidget(parent), link_(platform, serNoList_), session_(link_, *this),
      poll_(link_, session_, *this) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kestro - Ver " KESTRO_VERSION));
    setWindowIcon(windowIconFromResource());
    scale_ = TwipScale(logicalDpiY());
    timer_.setObjectName(QStringLiteral("Timer"));
    timer_.setInterval(kPollIntervalMs);
    buildControls();
    connectHandlers();
    session_.status.onChange = [this] { statusLine_->showStatus(session_.status); };
    statusLine_->showStatus(session_.status);
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
    poll_.fillBitMask();
    session_.settingsLoaded = false;
    session_.reconnectPending = false;
    link_.serialListReady = false;
    show();
    layOutLamps();
    poll_.forgetButtonBytes();
    poll_.searchForBoard();
    settingsFile_->updateEnabled();
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
    if (hotplug_)
        hotplug_->tick();
    PollDevice();
}

void frmMain::PollDevice() {
    poll_.PollDevice();
    settingsFile_->updateEnabled();
}

void frmMain::onSerNoSelected() {
    session_.SerNo_Click();
    settingsFile_->updateEnabled();
}

void frmMain::attachHotplug(std::unique_ptr<HotplugWatch> watch) {
    hotplug_ = std::move(watch);
    poll_.setArrivalsReported(hotplug_ != nullptr);
}

void frmMain::watchHotplug(std::unique_ptr<HotplugMonitor> monitor) {
    attachHotplug(
        std::make_unique<HotplugWatch>(std::move(monitor), [this] { poll_.devicesChanged(); }));
}

void frmMain::watchSystemHotplug() {
    attachHotplug(HotplugWatch::forSystem(*this, [this] { poll_.devicesChanged(); }));
}

} // namespace kestro
