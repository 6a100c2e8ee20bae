// The program's one window: every control of the layout, the lamp grid, the
// start-up and shutdown of the board connection and the poll loop that keeps
// the lamps in line with the board's buttons.
#pragma once

#include "config/config_session.h"
#include "config/device_view.h"
#include "config/poll_loop.h"
#include "device_link.h"
#include "hotplug_monitor.h"
#include "ser_no_list.h"
#include "twips.h"

#include <QRectF>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QScrollArea;

namespace kestro {

class HotplugWatch;
class LampGrid;
class SettingsFileActions;
class StatusLine;

inline constexpr int kClientWidthTwips = 8895;
inline constexpr int kClientHeightTwips = 8535;
// Tall enough for the self diagnostic's row and the status line below it.
inline constexpr int kOpeningHeightTwips = 9975;

class frmMain : public QWidget, public DeviceView, public PollView {
    Q_OBJECT
public:
    explicit frmMain(HidPlatform& platform, QWidget* parent = nullptr);
    ~frmMain() override;

    // Boards are then looked for when the monitor says something changed,
    // and listed while one is open.
    void watchHotplug(std::unique_ptr<HotplugMonitor> monitor);
    // The system's monitor, where it has one.
    void watchSystemHotplug();

    void Form_Load();
    void Form_Unload();
    void Timer_Timer();
    void PollDevice();

    DeviceLink& link() { return link_; }
    ConfigSession& session() { return session_; }
    LampGrid& lampGrid() { return *lampGrid_; }
    SettingsFileActions& settingsFile() { return *settingsFile_; }
    const QTimer& timer() const { return timer_; }
    const std::array<std::int16_t, kLastButtonByteEntries>& lastButtonBytes() const {
        return poll_.lastButtonBytes;
    }
    TwipScale twips() const { return scale_; }
    const StatusModel& status() const { return session_.status; }
    // What the status line shows.
    QString statusText() const;
    // The status line's access hint, empty while no board is refused.
    QString permissionHint() const;

    // DeviceView. QWidget's own setEnabled stays reachable beside it.
    using QWidget::setEnabled;
    void setEnabled(Control control, bool enabled) override;
    void setCaption(Caption caption, const std::string& text) override;
    void clearList(Control list) override;
    void addListItem(Control list, int index, const std::string& text) override;
    void selectListItem(Control list, int index) override;
    int selectedIndex(Control list) const override;
    void setRotaryPulse(int state) override;
    int rotaryPulse() const override;
    void setText1(const std::string& text) override;
    void setTimerEnabled(bool enabled) override;
    void setTimerInterval(int milliseconds) override;

    // PollView.
    void setLamp(int k, bool pressed) override;
    void setText2(const std::string& text) override;
    void setPollInterval(int milliseconds) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Placement {
        QWidget* widget;
        QRectF twips;
    };

    // frm_main_controls.cpp
    void buildControls();
    void buildClient();
    void buildIdentityArea();
    void buildEncoderArea();
    void buildWindowControls();
    void buildButtonsFrame();
    void buildStatusLine();
    void attachHotplug(std::unique_ptr<HotplugWatch> watch);
    template <class W> W* place(W* widget, const char* name, QRectF twips);
    void applyGeometry();
    // The window's size for a client area of `client`, cut to the screen,
    // where the scroll area makes up for what is cut.
    QSize fittedToScreen(QSize client) const;
    void connectHandlers();

    void layOutLamps();
    void onSerNoSelected();
    // The selection handler of a configuration list.
    void listClicked(Control control);
    QComboBox* list(Control control) const;
    QLabel* captionLabel(Caption caption) const;

    SerNoList serNoList_;
    DeviceLink link_;
    ConfigSession session_;
    PollLoop poll_;
    TwipScale scale_;

    bool loaded_ = false;
    bool unloaded_ = false;

    QTimer timer_;
    std::vector<Placement> placements_;
    std::array<QWidget*, static_cast<int>(Control::Count)> controls_{};
    QScrollArea* scrollArea_ = nullptr;
    // Holds every control at its layout place, inside the scroll area.
    QWidget* client_ = nullptr;
    QGroupBox* frame1_ = nullptr;
    QGroupBox* frame3_ = nullptr;
    QGroupBox* buttonsFrame_ = nullptr;
    QComboBox* serNo_ = nullptr;
    QLabel* lblManuf_ = nullptr;
    QLabel* lblProduct_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QLabel* testResult_ = nullptr;
    QCheckBox* rotaryPulse_ = nullptr;
    QPlainTextEdit* text1_ = nullptr;
    QPlainTextEdit* text2_ = nullptr;
    LampGrid* lampGrid_ = nullptr;
    SettingsFileActions* settingsFile_ = nullptr;
    StatusLine* statusLine_ = nullptr;
    std::unique_ptr<HotplugWatch> hotplug_;
};

} // namespace kestro
