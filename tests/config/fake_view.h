// A window without widgets: it keeps the state the configuration code sets and,
// like the real controls, raises the change handlers synchronously whenever
// the program changes a selection or the check box, and on every pick a user
// makes, also of the item already selected.
#pragma once

#include "config/config_session.h"
#include "config/device_view.h"

#include <map>
#include <string>
#include <vector>

namespace kestro::test {

struct FakeList {
    std::vector<std::string> items;
    int selected = -1;
};

class FakeView : public DeviceView {
public:
    FakeView();

    // Handlers are wired once the session exists, as the window does.
    void connect(ConfigSession& session) { session_ = &session; }

    void setEnabled(Control control, bool on) override { enabled[control] = on; }
    void setCaption(Caption caption, const std::string& text) override { captions[caption] = text; }
    void clearList(Control list) override;
    void addListItem(Control list, int index, const std::string& text) override;
    void selectListItem(Control list, int index) override;
    int selectedIndex(Control list) const override { return lists.at(list).selected; }
    void setRotaryPulse(int state) override;
    int rotaryPulse() const override { return checkState; }
    void setText1(const std::string& text) override { text1 = text; }
    void setTimerEnabled(bool on) override { timerEnabled = on; }
    void setTimerInterval(int ms) override { timerInterval = ms; }

    // A user's pick of an item the list shows, in a list that is enabled.
    void pick(Control list, int index);
    void click() { setRotaryPulse(checkState ? 0 : 1); }

    std::string selectedText(Control list) const;
    bool isEnabled(Control control) const;

    std::map<Control, bool> enabled;
    std::map<Caption, std::string> captions;
    std::map<Control, FakeList> lists;
    int checkState = 0;
    std::string text1 = "Text1";
    bool timerEnabled = false;
    int timerInterval = 50;
    int changeEvents = 0;

private:
    void raise(Control list);
    ConfigSession* session_ = nullptr;
};

} // namespace kestro::test
