#include "fake_view.h"

namespace kestro::test {

FakeView::FakeView() {
    for (int n = 1; n <= 16; ++n)
        lists[encControl(n)];
    lists[Control::Delay];
    lists[Control::RotStart];
}

void FakeView::clearList(Control list) {
    FakeList& l = lists.at(list);
    l.items.clear();
    if (l.selected != -1) {
        l.selected = -1;
        raise(list);
    }
}

void FakeView::addListItem(Control list, int index, const std::string& text) {
    FakeList& l = lists.at(list);
    l.items.insert(l.items.begin() + index, text);
}

void FakeView::selectListItem(Control list, int index) {
    FakeList& l = lists.at(list);
    if (index >= static_cast<int>(l.items.size()))
        index = -1;
    if (l.selected == index)
        return;
    l.selected = index;
    raise(list);
}

void FakeView::pick(Control list, int index) {
    FakeList& l = lists.at(list);
    if (!isEnabled(list) || index < 0 || index >= static_cast<int>(l.items.size()))
        return;
    if (l.selected == index)
        raise(list);
    else
        selectListItem(list, index);
}

void FakeView::setRotaryPulse(int state) {
    if (checkState == state)
        return;
    checkState = state;
    ++changeEvents;
    if (session_)
        session_->RotaryPulse_Click();
}

void FakeView::raise(Control list) {
    ++changeEvents;
    if (!session_)
        return;
    if (list == Control::Delay)
        session_->Delay_Click();
    else if (list == Control::RotStart)
        session_->RotStart_Click();
    else
        session_->Enc_Click(static_cast<int>(list) - static_cast<int>(Control::Enc1) + 1);
}

std::string FakeView::selectedText(Control list) const {
    const FakeList& l = lists.at(list);
    return l.selected >= 0 ? l.items[l.selected] : "";
}

bool FakeView::isEnabled(Control control) const {
    auto it = enabled.find(control);
    return it != enabled.end() && it->second;
}

} // namespace kestro::test
