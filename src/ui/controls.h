// The control model: controls that hold their properties and raise their
// events the way the classic forms toolkit did, so that handlers written
// for it keep their meaning:
//  - assigning a text box's text raises Change when the text differs;
//  - assigning a check box's value raises Click at once, nested;
//  - setting a combo box's text or adding items raises no Click;
//  - a timer's handler is never re-entered.
// Each control has the program's face (setters) and the user's face
// (user* methods), which the native front end and the tests drive.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvell::ui {

class Form;
class Control;

enum class Kind { TextBox, ComboBox, CheckBox, CommandButton, Label, Timer };

// What changed, for whoever mirrors the model (the native front end, the
// simulated scheduler).
enum class Prop { Text, Enabled, Locked, Visible, Value, ListAdd, ListRemove, Interval };

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// The character set of the program's explicit fonts, all SimSun.
inline constexpr int kGb2312 = 134;

// A size and weight; the face and character set are the window's.
struct Font {
    int centiPoints = 900;  // 10.5 pt is 1050
    bool bold = false;
};

struct Geometry {
    int left = 0, top = 0, width = 0, height = 0;  // twips
};

enum class MouseButton { Left = 1, Right = 2, Middle = 4 };

class Observer {
public:
    virtual ~Observer() = default;
    // index: the list item for ListAdd and ListRemove, otherwise -1.
    virtual void controlChanged(Control& c, Prop p, int index) = 0;
    virtual void formCaptionChanged(Form& f) = 0;
    // The form is being destroyed, its controls already are: let go of it.
    virtual void formDestroyed(Form&) {}
};

class Control {
public:
    // id: the native control ID, unique in its window.
    Control(Form& form, int id, std::string name, Kind kind, std::string text, Geometry g = {});
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    const std::string& name() const { return name_; }
    int id() const { return id_; }
    Kind kind() const { return kind_; }
    Form& form() const { return form_; }
    const std::string& text() const { return text_; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool on);
    bool visible() const { return visible_; }
    void setVisible(bool on);

    // Design properties, fixed after construction.
    Geometry geometry;
    std::optional<Font> font;  // nullopt: the window's default font
    std::optional<Rgb> foreColor;
    std::optional<Rgb> backColor;
    bool centred = false;
    bool transparent = false;
    // Drawn only where no sibling lies: for a control that overlaps another.
    bool clipSiblings = false;
    std::string toolTip;

protected:
    // Stores the text and tells the observer; true when it changed.
    bool assignText(const std::string& s);
    void notify(Prop p, int index = -1);

private:
    Form& form_;
    int id_;
    std::string name_;
    Kind kind_;
    std::string text_;
    bool enabled_ = true;
    bool visible_ = true;
};

class TextBox : public Control {
public:
    TextBox(Form& f, int id, std::string name, std::string text, Geometry g)
        : Control(f, id, std::move(name), Kind::TextBox, std::move(text), g) {}
    void setText(const std::string& s);
    bool locked() const { return locked_; }
    void setLocked(bool on);

    // User's face. Typing works only in an enabled, unlocked box.
    void userType(const std::string& s);
    void userMouseDown(MouseButton b = MouseButton::Left, int shift = 0, int x = 0, int y = 0);

    std::function<void()> onChange;
    std::function<void(MouseButton, int, int, int)> onMouseDown;

private:
    bool locked_ = false;
};

class Label : public Control {
public:
    Label(Form& f, int id, std::string name, std::string caption, Geometry g)
        : Control(f, id, std::move(name), Kind::Label, std::move(caption), g) {}
    void setCaption(const std::string& s) { assignText(s); }
};

class CommandButton : public Control {
public:
    CommandButton(Form& f, int id, std::string name, std::string caption, Geometry g)
        : Control(f, id, std::move(name), Kind::CommandButton, std::move(caption), g) {}
    void setCaption(const std::string& s) { assignText(s); }
    bool graphical = false;  // drawn by the program in its back colour

    // User's face: a click (mouse, Space, Enter or access key) does
    // nothing on a disabled or hidden button.
    void userClick();
    void userMouseDown(MouseButton b = MouseButton::Left, int shift = 0, int x = 0, int y = 0);
    void userMouseUp(MouseButton b = MouseButton::Left, int shift = 0, int x = 0, int y = 0);

    std::function<void()> onClick;
    std::function<void(MouseButton, int, int, int)> onMouseDown;
    std::function<void(MouseButton, int, int, int)> onMouseUp;
};

class CheckBox : public Control {
public:
    CheckBox(Form& f, int id, std::string name, std::string caption, Geometry g)
        : Control(f, id, std::move(name), Kind::CheckBox, std::move(caption), g) {}
    void setCaption(const std::string& s) { assignText(s); }
    int value() const { return value_; }
    // Raises Click at once when the value changes, before returning.
    void setValue(int v);

    void userClick();  // toggles

    std::function<void()> onClick;

private:
    int value_ = 0;
};

class ComboBox : public Control {
public:
    ComboBox(Form& f, int id, std::string name, std::string text, Geometry g)
        : Control(f, id, std::move(name), Kind::ComboBox, std::move(text), g) {}
    void setText(const std::string& s) { assignText(s); }
    void addItem(const std::string& s);
    void removeItem(int index);
    int listCount() const { return static_cast<int>(items_.size()); }
    const std::string& list(int index) const { return items_.at(static_cast<size_t>(index)); }
    const std::vector<std::string>& items() const { return items_; }

    // User's face. Choosing an item shows it and raises Click; typing
    // changes the text and raises nothing. Both need an enabled box.
    void userChoose(int index);
    void userType(const std::string& s);
    void userFocus();

    std::function<void()> onClick;
    std::function<void()> onGotFocus;

private:
    std::vector<std::string> items_;
};

class Timer : public Control {
public:
    Timer(Form& f, int id, std::string name, int intervalMs, bool enabled);
    int interval() const { return interval_; }
    void setInterval(int ms);
    // A timer's enabled state is its running state.

    // Delivered by the scheduler: runs the handler unless it is disabled
    // or its handler is already running further up the stack.
    void tick();

    std::function<void()> onTimer;

private:
    int interval_;
    bool running_ = false;
};

enum class Border { Sizable, FixedDialog };

class Form {
public:
    Form(std::string name, std::string caption, int clientWidth, int clientHeight);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    const std::string& name() const { return name_; }
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& s);

    // Controls in tab order (timers last), as registered by construction.
    const std::vector<Control*>& controls() const { return controls_; }
    std::vector<Timer*> timers() const;

    void setObserver(Observer* o) { observer_ = o; }
    Observer* observer() const { return observer_; }

    // The window is gone (closed by its close button or by the system):
    // its timers stop and nothing of it runs again.
    void unload();
    bool unloaded() const { return unloaded_; }

    int clientWidth, clientHeight;  // twips
    Border border = Border::Sizable;
    bool minButton = true;
    bool maxButton = false;
    std::optional<Rgb> backColor;  // nullopt: the system's button face
    // Every control's font face and character set (a Windows charset code).
    std::string fontFace;
    int fontCharSet = 1;  // the system's default
    Font defaultFont;     // for a control without one of its own
    bool keyPreview = false;
    // Above every other window, full-screen ones included, until it closes.
    bool topmost = false;
    // Shown where the system keeps the foreground for another program, its
    // taskbar button flashes until the user comes.
    bool flashUntilSeen = false;
    // Keys that come to onKeyDown whichever program has the focus, for as
    // long as the window exists (where no other program holds them).
    std::vector<int> globalKeys;
    // With key preview, every key pressed in the window comes here first.
    std::function<void(int keyCode, int shift)> onKeyDown;
    // F1, whichever control has the focus.
    std::function<void()> onHelp;
    // The end of the session: ending is false when it was called off (a
    // program refused it) after this one had been asked.
    std::function<void(bool ending)> onEndSession;

private:
    friend class Control;
    void add(Control* c) { controls_.push_back(c); }

    std::string name_;
    std::string caption_;
    std::vector<Control*> controls_;
    Observer* observer_ = nullptr;
    bool unloaded_ = false;
};

}  // namespace corvell::ui
