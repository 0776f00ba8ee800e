#include "ui/controls.h"

namespace corvell::ui {

Control::Control(Form& form, int id, std::string name, Kind kind, std::string text, Geometry g)
    : geometry(g), form_(form), id_(id), name_(std::move(name)), kind_(kind), text_(std::move(text)) {
    form.add(this);
}

void Control::notify(Prop p, int index) {
    if (Observer* o = form_.observer()) o->controlChanged(*this, p, index);
}

bool Control::assignText(const std::string& s) {
    if (s == text_) return false;
    text_ = s;
    notify(Prop::Text);
    return true;
}

void Control::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    notify(Prop::Enabled);
}

void Control::setVisible(bool on) {
    if (on == visible_) return;
    visible_ = on;
    notify(Prop::Visible);
}

void TextBox::setText(const std::string& s) {
    if (assignText(s) && onChange) onChange();
}

void TextBox::setLocked(bool on) {
    if (on == locked_) return;
    locked_ = on;
    notify(Prop::Locked);
}

void TextBox::userType(const std::string& s) {
    if (!enabled() || locked_) return;
    setText(s);
}

void TextBox::userMouseDown(MouseButton b, int shift, int x, int y) {
    if (enabled() && onMouseDown) onMouseDown(b, shift, x, y);
}

void CommandButton::userClick() {
    if (enabled() && visible() && onClick) onClick();
}

void CommandButton::userMouseDown(MouseButton b, int shift, int x, int y) {
    if (enabled() && visible() && onMouseDown) onMouseDown(b, shift, x, y);
}

void CommandButton::userMouseUp(MouseButton b, int shift, int x, int y) {
    if (enabled() && visible() && onMouseUp) onMouseUp(b, shift, x, y);
}

void CheckBox::setValue(int v) {
    if (v == value_) return;
    value_ = v;
    notify(Prop::Value);
    if (onClick) onClick();
}

void CheckBox::userClick() {
    if (enabled() && visible()) setValue(value_ == 1 ? 0 : 1);
}

void ComboBox::addItem(const std::string& s) {
    items_.push_back(s);
    notify(Prop::ListAdd, listCount() - 1);
}

void ComboBox::removeItem(int index) {
    if (index < 0 || index >= listCount()) return;
    items_.erase(items_.begin() + index);
    notify(Prop::ListRemove, index);
}

void ComboBox::userChoose(int index) {
    if (!enabled() || index < 0 || index >= listCount()) return;
    assignText(items_[static_cast<size_t>(index)]);
    if (onClick) onClick();
}

void ComboBox::userType(const std::string& s) {
    if (enabled()) assignText(s);
}

void ComboBox::userFocus() {
    if (enabled() && onGotFocus) onGotFocus();
}

Timer::Timer(Form& f, int id, std::string name, int intervalMs, bool enabled)
    : Control(f, id, std::move(name), Kind::Timer, {}), interval_(intervalMs) {
    setVisible(false);
    if (!enabled) setEnabled(false);
}

void Timer::setInterval(int ms) {
    if (ms == interval_) return;
    interval_ = ms;
    notify(Prop::Interval);
}

void Timer::tick() {
    if (!enabled() || running_ || form().unloaded() || !onTimer) return;
    running_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};
    onTimer();
}

Form::Form(std::string name, std::string caption, int clientWidth, int clientHeight)
    : clientWidth(clientWidth), clientHeight(clientHeight), name_(std::move(name)),
      caption_(std::move(caption)) {}

Form::~Form() {
    if (observer_) observer_->formDestroyed(*this);
}

void Form::setCaption(const std::string& s) {
    if (s == caption_) return;
    caption_ = s;
    if (observer_) observer_->formCaptionChanged(*this);
}

std::vector<Timer*> Form::timers() const {
    std::vector<Timer*> out;
    for (Control* c : controls_) {
        if (c->kind() == Kind::Timer) out.push_back(static_cast<Timer*>(c));
    }
    return out;
}

void Form::unload() {
    if (unloaded_) return;
    for (Timer* t : timers()) t->setEnabled(false);
    unloaded_ = true;
}

}  // namespace corvell::ui
